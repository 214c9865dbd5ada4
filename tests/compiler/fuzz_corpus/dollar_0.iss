[Setup]
AppName=${NSISDIR}
AppVersion=${NSISDIR}
AppPublisher=${NSISDIR}
AppPublisherURL=http://${NSISDIR}
DefaultDirName={pf32}\${{NSISDIR}\x
DefaultGroupName=G\${{NSISDIR}\ 
OutputBaseFilename=S${NSISDIR}
Password=${NSISDIR}
[Files]
Source: a.txt; DestDir: {app}\${{NSISDIR}; DestName: "${NSISDIR}.txt"
[Dirs]
Name: {app}\${{NSISDIR}
[Icons]
Name: {group}\${{NSISDIR}\${{NSISDIR}; Filename: {app}\${{NSISDIR}\${{NSISDIR}.mac; WorkingDir: {app}\${{NSISDIR}; Comment: "${NSISDIR}"
Name: {group}\${{NSISDIR}\Website; Filename: http://${{NSISDIR}
[UninstallDelete]
Name: {app}\${{NSISDIR}; Type: dirifempty
