[Setup]
AppName=$\n
AppVersion=$\n
AppPublisher=$\n
AppPublisherURL=http://$\n
DefaultDirName={pf32}\$\n\x
DefaultGroupName=G\$\n\ 
OutputBaseFilename=S$n
Password=$\n
[Files]
Source: a.txt; DestDir: {app}\$\n; DestName: "$n.txt"
[Dirs]
Name: {app}\$\n
[Icons]
Name: {group}\$\n\$\n; Filename: {app}\$\n\$\n.mac; WorkingDir: {app}\$\n; Comment: "$\n"
Name: {group}\$\n\Website; Filename: http://$\n
[UninstallDelete]
Name: {app}\$\n; Type: dirifempty
