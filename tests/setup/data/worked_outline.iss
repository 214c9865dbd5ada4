
[Setup]
ShowLanguageDialog=no
AllowNoIcons=true
AlwaysShowComponentsList=false
AppendDefaultGroupName=false
AppName=Anna - Coats
AppVersion=0.1
AppVerName=Anna - Coats 0.1
AppPublisher=Anna
AppPublisherURL=www.anna-patterns.example
AppSupportURL=www.anna-patterns.example
AppUpdatesURL=www.anna-patterns.example
CreateAppDir=true
DefaultDirName={pf32}\Bobbinwright Software
DefaultGroupName=Bobbinwright Software\Bobbinwright 7.5\Collections\Anna\ 
DirExistsWarning=no
DisableDirPage=true
DisableReadyMemo=true
EnableDirDoesntExistWarning=false
FlatComponentsList=false
OutputBaseFilename=Coats
OutputDir=.
PrivilegesRequired=admin
UninstallDisplayIcon={app}\Shared\sew_m.ico
UninstallDisplayName= Anna - Coats
UsePreviousGroup=true
WizardImageBackColor=clWhite
WizardImageFile=@RESOURCES@/Wizmodernimage.bmp
WizardImageStretch=false
WizardSmallImageFile=@RESOURCES@/needle2_tn.bmp

[Files]
Source: @ROOT@/Designers/Anna/Anna.jpg; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna;
Source: @ROOT@/Designers/Anna/Coats/Coats.jpg; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/Designers/Anna/Coats/Coats.txt; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/Designers/Anna/Coats/Coat1.mac; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/Designers/Anna/Coats/Coat1.jpg; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/Designers/Anna/Coats/Coat1.pdf; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/MeasureTables/Women.mmt; 	DestDir: {pf}\Bobbinwright Software\Shared\MeasureTables;
Source: @ROOT@/MeasureTables/Women.pdf; 	DestDir: {pf}\Bobbinwright Software\Shared\MeasureTables;
Source: @ROOT@/MeasurePictures/bust.jpg; 	DestDir: {pf}\Bobbinwright Software\Shared\MeasurePictures\Women;
Source: @ROOT@/Designers/Anna/Coats/Front.jpg; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;
Source: @ROOT@/Designers/Anna/Coats/Coat2.mac; 	DestDir: {pf}\Bobbinwright Software\Shared\Designers\Anna\Coats;

[_ISTool]
EnableISX=true

[Types]

[Components]

[Run]

[ThirdParty]
CompileLogMethod=append

[Code]
  function InitializeSetup(): Boolean;
  begin
    if RegKeyExists(HKLM, 'SOFTWARE\Bobbinwright\V75')=False
    then
      begin
        MsgBox('Bobbinwright 7.5 is not installed on your computer.  Please install Bobbinwright first, then install this macro collection.', mbError, MB_OK);
        Result := False;
      end
    else
      Result := True;
  end;
  
[Dirs]
Name: {app}\Shared\Designers\Anna\Coats

[Icons]
Name: {group}\Coats\Coat1; Filename: {app}\Shared\Designers\Anna\Coats\Coat1.mac; WorkingDir: {app}\Shared\Designers\Anna\Coats; Comment: Coat1
Name: {group}\Coats\Coat1 Documentation (pdf); Filename: {app}\Shared\Designers\Anna\Coats\Coat1.pdf; WorkingDir: {app}\Shared\Designers\Anna\Coats; Comment: Coat1 Documentation
Name: {group}\Coats\Coat2; Filename: {app}\Shared\Designers\Anna\Coats\Coat2.mac; WorkingDir: {app}\Shared\Designers\Anna\Coats; Comment: Coat2
Name: {group}\Women measuring instructions (pdf) ; Filename: {app}\Shared\MeasureTables\Women.pdf; WorkingDir: {app}\Shared\MeasureTables
Name: {group}\Website Anna; Filename: http://www.anna-patterns.example;

[UninstallDelete]
Name: {app}\Shared\Designers\Anna\Coats; Type: dirifempty
