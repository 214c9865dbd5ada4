[Setup]
AppName=${U+7B}
AppVersion=${U+7B}
AppPublisher=${U+7B}
AppPublisherURL=http://${U+7B}
DefaultDirName={pf32}\${{U+7B}\x
DefaultGroupName=G\${{U+7B}\ 
OutputBaseFilename=S${U+7B}
Password=${U+7B}
[Files]
Source: a.txt; DestDir: {app}\${{U+7B}; DestName: "${U+7B}.txt"
[Dirs]
Name: {app}\${{U+7B}
[Icons]
Name: {group}\${{U+7B}\${{U+7B}; Filename: {app}\${{U+7B}\${{U+7B}.mac; WorkingDir: {app}\${{U+7B}; Comment: "${U+7B}"
Name: {group}\${{U+7B}\Website; Filename: http://${{U+7B}
[UninstallDelete]
Name: {app}\${{U+7B}; Type: dirifempty
