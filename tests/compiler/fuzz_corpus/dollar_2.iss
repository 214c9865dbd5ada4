[Setup]
AppName=$\r
AppVersion=$\r
AppPublisher=$\r
AppPublisherURL=http://$\r
DefaultDirName={pf32}\$\r\x
DefaultGroupName=G\$\r\ 
OutputBaseFilename=S$r
Password=$\r
[Files]
Source: a.txt; DestDir: {app}\$\r; DestName: "$r.txt"
[Dirs]
Name: {app}\$\r
[Icons]
Name: {group}\$\r\$\r; Filename: {app}\$\r\$\r.mac; WorkingDir: {app}\$\r; Comment: "$\r"
Name: {group}\$\r\Website; Filename: http://$\r
[UninstallDelete]
Name: {app}\$\r; Type: dirifempty
