[Setup]
AppName=$(x)
AppVersion=$(x)
AppPublisher=$(x)
AppPublisherURL=http://$(x)
DefaultDirName={pf32}\$(x)\x
DefaultGroupName=G\$(x)\ 
OutputBaseFilename=S$(x)
Password=$(x)
[Files]
Source: a.txt; DestDir: {app}\$(x); DestName: "$(x).txt"
[Dirs]
Name: {app}\$(x)
[Icons]
Name: {group}\$(x)\$(x); Filename: {app}\$(x)\$(x).mac; WorkingDir: {app}\$(x); Comment: "$(x)"
Name: {group}\$(x)\Website; Filename: http://$(x)
[UninstallDelete]
Name: {app}\$(x); Type: dirifempty
