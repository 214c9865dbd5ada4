[Setup]
AppName=$$
AppVersion=$$
AppPublisher=$$
AppPublisherURL=http://$$
DefaultDirName={pf32}\$$\x
DefaultGroupName=G\$$\ 
OutputBaseFilename=S$$
Password=$$
[Files]
Source: a.txt; DestDir: {app}\$$; DestName: "$$.txt"
[Dirs]
Name: {app}\$$
[Icons]
Name: {group}\$$\$$; Filename: {app}\$$\$$.mac; WorkingDir: {app}\$$; Comment: "$$"
Name: {group}\$$\Website; Filename: http://$$
[UninstallDelete]
Name: {app}\$$; Type: dirifempty
