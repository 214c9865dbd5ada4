[Setup]
AppName=a$\
AppVersion=a$\
AppPublisher=a$\
AppPublisherURL=http://a$\
DefaultDirName={pf32}\a$\\x
DefaultGroupName=G\a$\\ 
OutputBaseFilename=Sa$
Password=a$\
[Files]
Source: a.txt; DestDir: {app}\a$\; DestName: "a$.txt"
[Dirs]
Name: {app}\a$\
[Icons]
Name: {group}\a$\\a$\; Filename: {app}\a$\\a$\.mac; WorkingDir: {app}\a$\; Comment: "a$\"
Name: {group}\a$\\Website; Filename: http://a$\
[UninstallDelete]
Name: {app}\a$\; Type: dirifempty
