[Setup]
AppName=A$%HOME%
AppVersion=1$%HOME%
AppPublisher=$$%HOME%
AppPublisherURL=http://$%KBX%
DefaultDirName={pf32}\$%HOME%\x
DefaultGroupName=G\$%HOME%\ 
OutputBaseFilename=s$%KBD%
Password=$%HOME%
[Files]
Source: a.txt; DestDir: {app}\$%HOME%; DestName: "Coat$%KBX%.mac"
[Dirs]
Name: {app}\$%HOME%
[Icons]
Name: {group}\$%HOME%\$%KBX%; Filename: {app}\$%HOME%\$%KBX%.mac; WorkingDir: {app}\$%HOME%; Comment: "$%HOME%"
Name: {group}\$%HOME%\Website; Filename: http://$%KBX%
[UninstallDelete]
Name: {app}\$%HOME%; Type: dirifempty
