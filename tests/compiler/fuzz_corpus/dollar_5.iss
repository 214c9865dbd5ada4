[Setup]
AppName=$0
AppVersion=$0
AppPublisher=$0
AppPublisherURL=http://$0
DefaultDirName={pf32}\$0\x
DefaultGroupName=G\$0\ 
OutputBaseFilename=S$0
Password=$0
[Files]
Source: a.txt; DestDir: {app}\$0; DestName: "$0.txt"
[Dirs]
Name: {app}\$0
[Icons]
Name: {group}\$0\$0; Filename: {app}\$0\$0.mac; WorkingDir: {app}\$0; Comment: "$0"
Name: {group}\$0\Website; Filename: http://$0
[UninstallDelete]
Name: {app}\$0; Type: dirifempty
