[Setup]
AppName=Anna - Coats
AppVersion=0.1
AppVerName=Anna - Coats 0.1
AppPublisher=Anna
AppPublisherURL=www.anna.example
AppSupportURL=www.anna.example
AppUpdatesURL=www.anna.example
AppId=Anna - Coats
DefaultDirName={pf32}\Bobbinwright Software
DefaultGroupName=Bobbinwright Software\Bobbinwright 7.5\Collections\Anna\ 
AllowNoIcons=true
DisableDirPage=no
InfoBeforeFile=a.txt
InfoAfterFile=a.txt
LicenseFile=lic.rtf
OutputBaseFilename=Coats
OutputDir=.
Password=secret
PrivilegesRequired=admin
UninstallDisplayIcon={app}\Shared\sew_m.ico
UninstallDisplayName= Anna - Coats
WizardImageFile=pic.bmp
WizardSmallImageFile=pic.bmp

[Files]
Source: a.txt; 	DestDir: {app}\Shared\Designers\Anna\Coats;
Source: "a.txt"; DestDir: "{app}\Shared"; DestName: "b.txt"; Flags: ignoreversion

[Dirs]
Name: {app}\Shared\Designers\Anna\Coats; Flags: uninsneveruninstall

[Icons]
Name: {group}\Coats\Coat1; Filename: {app}\Shared\Designers\Anna\Coats\Coat1.mac; WorkingDir: {app}\Shared; Comment: Coat1; Parameters: "-x ""y"""; IconFilename: {app}\a.ico; IconIndex: 1
Name: {group}\Website Anna; Filename: http://www.anna.example;
Name: {commondesktop}\Coats; Filename: {app}\a.txt

[UninstallDelete]
Name: {app}\Shared\Designers\Anna\Coats; Type: dirifempty
Name: {app}\x.log; Type: files
Name: {app}\tmp; Type: filesandordirs

[Code]
  function InitializeSetup(): Boolean;
  begin
    if RegKeyExists(HKLM, 'SOFTWARE\Bobbinwright\V75')=False
    then
      begin
        MsgBox('Bobbinwright 7.5 is not installed.', mbError, MB_OK);
        Result := False;
      end
    else
      Result := True;
  end;
