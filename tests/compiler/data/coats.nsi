; Setup of "Anna - Coats", translated from an Inno Setup script
Unicode true
Target x86-unicode
SetCompressor zlib
RequestExecutionLevel admin
Name "Anna - Coats"
Caption "Setup - Anna - Coats"
UninstallCaption "Uninstall - Anna - Coats"
BrandingText "Anna - Coats 0.1"
OutFile "@ROOT@/ws/Installations/Coats.exe"
InstallDir "$PROGRAMFILES32\Bobbinwright Software"
ShowInstDetails show

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!define PASSWORD_SALT "00112233445566778899aabbccddeeff"
!define PASSWORD_SALT_BYTES 64
!define PASSWORD_ITERATIONS 100000
!define PASSWORD_DIGEST "09c4d41ad9df9180ae8a244243cabfcf7aa370ccde1ecd99f3ac76a7bcb382d5"

!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "/stage/wizard.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP_NOSTRETCH
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "/stage/wizard-small.bmp"
!define MUI_HEADERIMAGE_BITMAP_NOSTRETCH

Var WelcomeTitle
Var WelcomeText
!define MUI_WELCOMEPAGE_TITLE "$WelcomeTitle"
!define MUI_WELCOMEPAGE_TEXT "$WelcomeText"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_LICENSE "/stage/license.txt"
Page custom PasswordPageShow PasswordPageLeave
!define MUI_PAGE_HEADER_TEXT "Information"
!define MUI_PAGE_HEADER_SUBTEXT "Please read the following important information before continuing."
!define MUI_LICENSEPAGE_TEXT_TOP "When you are ready to continue with Setup, click Next."
!define MUI_LICENSEPAGE_TEXT_BOTTOM " "
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_LICENSE "/stage/info-before.txt"
Var StartMenuGroup
Var StartMenuDefault
Var StartMenuKey
!define MUI_STARTMENUPAGE_DEFAULTFOLDER "$StartMenuDefault"
!define MUI_STARTMENUPAGE_REGISTRY_ROOT HKLM
!define MUI_STARTMENUPAGE_REGISTRY_KEY "$StartMenuKey"
!define MUI_STARTMENUPAGE_REGISTRY_VALUENAME "Inno Setup: Icon Group"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_STARTMENU Group $StartMenuGroup
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_HEADER_TEXT "Information"
!define MUI_PAGE_HEADER_SUBTEXT "Please read the following important information before continuing."
!define MUI_LICENSEPAGE_TEXT_TOP "When you are ready to continue with Setup, click Next."
!define MUI_LICENSEPAGE_TEXT_BOTTOM " "
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_LICENSE "/stage/info-after.txt"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenSilent
!insertmacro MUI_PAGE_FINISH

!define MUI_PAGE_CUSTOMFUNCTION_PRE un.SkipPageWhenSilent
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var SilentMode
Var PasswordArgument

; $1 to $5 are the functions' scratch registers; callers keep theirs.
!macro SAVE_REGISTERS
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
!macroend
!macro RESTORE_REGISTERS
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
!macroend

!macro COMMAND_LINE_FUNCTIONS PREFIX
; Reads /SILENT, /VERYSILENT, /PASSWORD=... and /DIR=... from the command line.
Function ${PREFIX}ReadCommandLine
  Push $0
  !insertmacro SAVE_REGISTERS
  StrCpy $SilentMode 0
  StrCpy $PasswordArgument ""
  StrCpy $0 $CMDLINE
  System::Call 'shell32::CommandLineToArgvW(w r0, *i .r1) p .r2'
  StrCpy $3 1
  ${While} $3 < $1
    IntPtrOp $4 $3 * ${NSIS_PTR_SIZE}
    IntPtrOp $4 $2 + $4
    System::Call '*$4(p .r4)'
    System::Call 'kernel32::lstrcpynW(w .r5, p r4, i ${NSIS_MAX_STRLEN})'
    StrCpy $4 $5 10
    ${If} $5 == "/SILENT"
    ${AndIf} $SilentMode == 0
      StrCpy $SilentMode 1
    ${ElseIf} $5 == "/VERYSILENT"
      StrCpy $SilentMode 2
    ${ElseIf} $4 == "/PASSWORD="
      StrCpy $PasswordArgument $5 "" 10
    ${Else}
      StrCpy $4 $5 5
      ${If} $4 == "/DIR="
        StrCpy $4 $5 "" 5
        StrCpy $5 $4 1
        ${If} $5 == '"'
          StrCpy $4 $4 -1 1
        ${EndIf}
        StrCpy $INSTDIR $4
      ${EndIf}
    ${EndIf}
    IntOp $3 $3 + 1
  ${EndWhile}
  System::Call 'kernel32::LocalFree(p r2)'
  ${If} $SilentMode == 2
    SetSilent silent
  ${EndIf}
  !insertmacro RESTORE_REGISTERS
  Pop $0
FunctionEnd

Function ${PREFIX}SkipPageWhenSilent
  ${If} $SilentMode != 0
    Abort
  ${EndIf}
FunctionEnd
!macroend
!insertmacro COMMAND_LINE_FUNCTIONS ""
!insertmacro COMMAND_LINE_FUNCTIONS "un."

Var PasswordOk
Var PasswordField

Function CheckPassword
  Exch $0
  !insertmacro SAVE_REGISTERS
  System::Call 'bcrypt::BCryptOpenAlgorithmProvider(*p .r1, w "SHA256", p 0, i 8) i .r2'
  StrLen $3 $0
  IntOp $3 $3 * 2
  System::Alloc 32
  Pop $4
  System::Call 'bcrypt::BCryptDeriveKeyPBKDF2(p r1, w r0, i r3, w "${PASSWORD_SALT}", i ${PASSWORD_SALT_BYTES}, l ${PASSWORD_ITERATIONS}, p r4, i 32, i 0) i .r2'
  System::Call 'bcrypt::BCryptCloseAlgorithmProvider(p r1, i 0)'
  StrCpy $0 ""
  StrCpy $3 0
  ${While} $3 < 32
    IntPtrOp $5 $4 + $3
    System::Call '*$5(&i1 .r1)'
    IntOp $1 $1 & 0xFF
    IntFmt $1 "%02x" $1
    StrCpy $0 "$0$1"
    IntOp $3 $3 + 1
  ${EndWhile}
  System::Free $4
  ${If} $0 == "${PASSWORD_DIGEST}"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  !insertmacro RESTORE_REGISTERS
  Exch $0
FunctionEnd

Function PasswordPageShow
  ${If} $PasswordOk == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Password" "This installation is password protected."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Please provide the password, then click Next to continue. Passwords are case-sensitive."
  Pop $0
  ${NSD_CreateLabel} 0 30u 100% 10u "&Password:"
  Pop $0
  ${NSD_CreatePassword} 0 42u 60% 12u ""
  Pop $PasswordField
  ${NSD_SetFocus} $PasswordField
  nsDialogs::Show
FunctionEnd

Function PasswordPageLeave
  ${NSD_GetText} $PasswordField $0
  Push $0
  Call CheckPassword
  Pop $PasswordOk
  ${If} $PasswordOk != 1
    MessageBox MB_OK|MB_ICONSTOP "The password you entered is not correct. Please try again." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.RemoveEmptyGroup
  Exch $0
  ${DoUntil} $0 == ""
    RMDir "$SMPROGRAMS\$0"
    ${GetParent} $0 $0
  ${Loop}
  Pop $0
FunctionEnd

Function .onInit
  SetRegView 32
  SetShellVarContext all
  Call ReadCommandLine
  StrCpy $WelcomeTitle "Welcome to the Anna - Coats 0.1 Setup Wizard"
  StrCpy $WelcomeText "This will install Anna - Coats 0.1 on your computer.$\r$\n$\r$\nClick Next to continue, or Cancel to exit Setup."
  StrCpy $StartMenuDefault "Bobbinwright Software\Bobbinwright 7.5\Collections\Anna"
  StrCpy $StartMenuKey "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1"
  ClearErrors
  EnumRegKey $0 HKLM "SOFTWARE\Bobbinwright\V75" 0
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Bobbinwright 7.5 is not installed on your computer.  Please install Bobbinwright first, then install this macro collection." /SD IDOK
    SetErrorLevel 1
    Quit
  ${EndIf}
  StrCpy $PasswordOk 0
  ${If} $PasswordArgument != ""
    Push $PasswordArgument
    Call CheckPassword
    Pop $PasswordOk
  ${EndIf}
  ${If} $PasswordOk != 1
  ${AndIf} $SilentMode != 0
    MessageBox MB_OK|MB_ICONSTOP "The password you entered is not correct." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 32
  SetShellVarContext all
  Call un.ReadCommandLine
FunctionEnd

Section "Install"
  !verbose push
  !verbose 4
  SetOutPath "$INSTDIR\Shared\Designers\Anna"
  File "/oname=Anna.jpg" "/stage/files/0/1"
  SetOutPath "$INSTDIR\Shared\Designers\Anna\Coats"
  File "/oname=Coats.jpg" "/stage/files/0/2"
  File "/oname=Coat1.mac" "/stage/files/0/3"
  File "/oname=Coat1.jpg" "/stage/files/0/4"
  File "/oname=Coat1.pdf" "/stage/files/0/5"
  File "/oname=Coat [2].mac" "/stage/files/0/6"
  File "/oname=Coat [2].jpg" "/stage/files/0/7"
  SetOutPath "$INSTDIR\Shared\MeasureTables"
  File "/oname=Women.mmt" "/stage/files/0/8"
  File "/oname=Women.pdf" "/stage/files/0/9"
  SetOutPath "$INSTDIR\Shared\MeasurePictures\Women"
  File "/oname=bust$$1.jpg" "/stage/files/0/10"
  CreateDirectory "$INSTDIR\Shared\Designers\Anna\Coats"
  !insertmacro MUI_STARTMENU_WRITE_BEGIN Group
  CreateDirectory "$SMPROGRAMS\$StartMenuGroup\Coats"
  SetOutPath "$INSTDIR\Shared\Designers\Anna\Coats"
  CreateShortCut "$SMPROGRAMS\$StartMenuGroup\Coats\Coat1.lnk" "$INSTDIR\Shared\Designers\Anna\Coats\Coat1.mac" "" "" 0 SW_SHOWNORMAL "" "Coat1"
  SetOutPath "$INSTDIR\Shared\Designers\Anna\Coats"
  CreateShortCut "$SMPROGRAMS\$StartMenuGroup\Coats\Coat1 Documentation (pdf).lnk" "$INSTDIR\Shared\Designers\Anna\Coats\Coat1.pdf" "" "" 0 SW_SHOWNORMAL "" "Coat1 Documentation"
  SetOutPath "$INSTDIR\Shared\Designers\Anna\Coats"
  CreateShortCut "$SMPROGRAMS\$StartMenuGroup\Coats\Coat [2].lnk" "$INSTDIR\Shared\Designers\Anna\Coats\Coat [2].mac" "" "" 0 SW_SHOWNORMAL "" "Coat [2]"
  CreateDirectory "$SMPROGRAMS\$StartMenuGroup"
  SetOutPath "$INSTDIR\Shared\MeasureTables"
  CreateShortCut "$SMPROGRAMS\$StartMenuGroup\Women measuring instructions (pdf).lnk" "$INSTDIR\Shared\MeasureTables\Women.pdf" "" "" 0 SW_SHOWNORMAL "" ""
  WriteINIStr "$SMPROGRAMS\$StartMenuGroup\Website Anna.url" "InternetShortcut" "URL" "http://www.anna.example"
  !insertmacro MUI_STARTMENU_WRITE_END
  WriteUninstaller "$INSTDIR\Uninstall Anna - Coats.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "DisplayName" "Anna - Coats"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "DisplayIcon" "$INSTDIR\Shared\sew_m.ico"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "DisplayVersion" "0.1"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "Publisher" "Anna"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "URLInfoAbout" "www.anna.example"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "HelpLink" "www.anna.example"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "URLUpdateInfo" "www.anna.example"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "InstallLocation" "$INSTDIR\"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "Inno Setup: App Path" "$INSTDIR"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "UninstallString" "$\"$INSTDIR\Uninstall Anna - Coats.exe$\""
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "QuietUninstallString" "$\"$INSTDIR\Uninstall Anna - Coats.exe$\" /SILENT"
  WriteRegDWORD HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "NoModify" 1
  WriteRegDWORD HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "NoRepair" 1
  !verbose pop
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Shared\Designers\Anna\Anna.jpg"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coats.jpg"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coat1.mac"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coat1.jpg"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coat1.pdf"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coat [2].mac"
  Delete "$INSTDIR\Shared\Designers\Anna\Coats\Coat [2].jpg"
  Delete "$INSTDIR\Shared\MeasureTables\Women.mmt"
  Delete "$INSTDIR\Shared\MeasureTables\Women.pdf"
  Delete "$INSTDIR\Shared\MeasurePictures\Women\bust$$1.jpg"
  ReadRegStr $StartMenuGroup HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1" "Inno Setup: Icon Group"
  ${If} $StartMenuGroup != ""
  Delete "$SMPROGRAMS\$StartMenuGroup\Coats\Coat1.lnk"
  Delete "$SMPROGRAMS\$StartMenuGroup\Coats\Coat1 Documentation (pdf).lnk"
  Delete "$SMPROGRAMS\$StartMenuGroup\Coats\Coat [2].lnk"
  Delete "$SMPROGRAMS\$StartMenuGroup\Women measuring instructions (pdf).lnk"
  Delete "$SMPROGRAMS\$StartMenuGroup\Website Anna.url"
  RMDir "$SMPROGRAMS\$StartMenuGroup\Coats"
  RMDir "$SMPROGRAMS\$StartMenuGroup"
  Push $StartMenuGroup
  Call un.RemoveEmptyGroup
  ${EndIf}
  RMDir "$INSTDIR\Shared\Designers\Anna\Coats"
  RMDir "$INSTDIR\Shared\Designers\Anna\Coats"
  RMDir "$INSTDIR\Shared\MeasurePictures\Women"
  RMDir "$INSTDIR\Shared\Designers\Anna\Coats"
  RMDir "$INSTDIR\Shared\MeasurePictures"
  RMDir "$INSTDIR\Shared\Designers\Anna"
  RMDir "$INSTDIR\Shared\MeasureTables"
  RMDir "$INSTDIR\Shared\Designers"
  RMDir "$INSTDIR\Shared"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Anna - Coats_is1"
  Delete "$INSTDIR\Uninstall Anna - Coats.exe"
  RMDir "$INSTDIR"
SectionEnd
