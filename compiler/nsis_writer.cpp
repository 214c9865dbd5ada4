#include "compiler/nsis_writer.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>

#include "compiler/iss_script.h"
#include "compiler/nsis_text.h"

namespace compiler {
namespace {

// Functions shared by every setup: the command line as Inno Setup's users know it, and pages
// that a silent run skips. Defined once for the installer and once ("un.") for the uninstaller.
constexpr std::string_view kCommonFunctions = R"nsis(
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
)nsis";

// Compares the password on the stack with the stored digest; leaves 1 or 0 on the stack.
constexpr std::string_view kPasswordFunctions = R"nsis(
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
)nsis";

// Removes a folder and then each parent up to (not including) $SMPROGRAMS while they are empty.
constexpr std::string_view kGroupRemoval = R"nsis(
Function un.RemoveEmptyGroup
  Exch $0
  ${DoUntil} $0 == ""
    RMDir "$SMPROGRAMS\$0"
    ${GetParent} $0 $0
  ${Loop}
  Pop $0
FunctionEnd
)nsis";

class NsisScriptWriter {
  public:
    NsisScriptWriter(const SetupPlan& plan, const NsisInputs& inputs) : plan_(plan), in_(inputs) {}

    std::string Write() {
        Header();
        Pages();
        out_ << kCommonFunctions;
        if (!plan_.password.empty())
            out_ << kPasswordFunctions;
        if (HasGroupIcons())
            out_ << kGroupRemoval;
        InitFunctions();
        InstallSection();
        UninstallSection();
        return out_.str();
    }

  private:
    std::vector<std::string> Sources() const {
        std::vector<std::string> sources;
        for (const SetupFile& file : plan_.files)
            sources.push_back(file.source);
        return sources;
    }

    bool HasGroupIcons() const {
        return std::ranges::any_of(plan_.icons, [](const SetupIcon& icon) { return icon.inGroup; });
    }

    // Setups for all users register below HKLM, the others for the current user only.
    std::string_view UninstallRoot() const { return plan_.admin ? "HKLM" : "HKCU"; }
    // The root and the quoted uninstall key, as registry instructions take them.
    std::string UninstallKey() const {
        return std::string(UninstallRoot()) + " " + NsisQuote(plan_.UninstallKey());
    }

    void Header() {
        out_ << "; Setup of " << NsisQuote(plan_.appName)
             << ", translated from an Inno Setup script\n"
             << "Unicode true\n"
             << "Target " << in_.target << "\n"
             << "SetCompressor " << CompressorFor(Sources()) << "\n"
             << "RequestExecutionLevel " << (plan_.admin ? "admin" : "user") << "\n"
             << "Name " << NsisQuote(plan_.appName) << "\n"
             << "Caption " << NsisQuote("Setup - " + plan_.appName) << "\n"
             << "UninstallCaption " << NsisQuote("Uninstall - " + plan_.appName) << "\n"
             << "BrandingText " << NsisQuote(plan_.appVerName) << "\n"
             << "OutFile " << NsisLocalPath(in_.outFile) << "\n"
             << "InstallDir \"" << plan_.defaultDirName << "\"\n"
             << "ShowInstDetails show\n\n"
             << "!include MUI2.nsh\n!include LogicLib.nsh\n!include FileFunc.nsh\n";
        if (!plan_.password.empty())
            out_ << "!include nsDialogs.nsh\n"
                 << "!define PASSWORD_SALT " << NsisQuote(in_.password.salt) << "\n"
                 << "!define PASSWORD_SALT_BYTES " << in_.password.salt.size() * 2 << "\n"
                 << "!define PASSWORD_ITERATIONS " << in_.password.iterations << "\n"
                 << "!define PASSWORD_DIGEST " << NsisQuote(in_.password.digest) << "\n";
        if (!in_.uninstallerSigner.empty())
            out_ << "!uninstfinalize 'sh " << in_.uninstallerSigner << " \"%1\"' = 0\n";
        out_ << "\n!define MUI_ABORTWARNING\n";
        if (!in_.wizardImageFile.empty()) {
            out_ << "!define MUI_WELCOMEFINISHPAGE_BITMAP " << NsisLocalPath(in_.wizardImageFile)
                 << "\n";
            if (!plan_.wizardImageStretch)
                out_ << "!define MUI_WELCOMEFINISHPAGE_BITMAP_NOSTRETCH\n";
        }
        if (!in_.wizardSmallImageFile.empty())
            out_ << "!define MUI_HEADERIMAGE\n!define MUI_HEADERIMAGE_RIGHT\n"
                 << "!define MUI_HEADERIMAGE_BITMAP " << NsisLocalPath(in_.wizardSmallImageFile)
                 << "\n"
                 << "!define MUI_HEADERIMAGE_BITMAP_NOSTRETCH\n";
    }

    void SkipWhenSilent(std::string_view prefix = "") {
        out_ << "!define MUI_PAGE_CUSTOMFUNCTION_PRE " << prefix << "SkipPageWhenSilent\n";
    }

    // A licence-style page that shows a text with an "Information" title.
    void InformationPage(const std::string& file, std::string_view subtitle) {
        out_ << "!define MUI_PAGE_HEADER_TEXT \"Information\"\n"
             << "!define MUI_PAGE_HEADER_SUBTEXT " << NsisQuote(subtitle) << "\n"
             << "!define MUI_LICENSEPAGE_TEXT_TOP \"When you are ready to continue with Setup, "
                "click Next.\"\n"
             << "!define MUI_LICENSEPAGE_TEXT_BOTTOM \" \"\n"
             << "!define MUI_LICENSEPAGE_BUTTON \"$(^NextBtn)\"\n";
        SkipWhenSilent();
        out_ << "!insertmacro MUI_PAGE_LICENSE " << NsisLocalPath(file) << "\n";
    }

    void Pages() {
        // Texts from the script reach Modern UI's defines through variables: a define's value is
        // expanded again where it is used, which would undo the escaping of "${".
        out_ << "\nVar WelcomeTitle\nVar WelcomeText\n"
             << "!define MUI_WELCOMEPAGE_TITLE \"$WelcomeTitle\"\n"
             << "!define MUI_WELCOMEPAGE_TEXT \"$WelcomeText\"\n";
        SkipWhenSilent();
        out_ << "!insertmacro MUI_PAGE_WELCOME\n";
        if (!in_.licenseFile.empty()) {
            SkipWhenSilent();
            out_ << "!insertmacro MUI_PAGE_LICENSE " << NsisLocalPath(in_.licenseFile) << "\n";
        }
        if (!plan_.password.empty())
            out_ << "Page custom PasswordPageShow PasswordPageLeave\n";
        if (!in_.infoBeforeFile.empty())
            InformationPage(in_.infoBeforeFile,
                            "Please read the following important information before continuing.");
        if (!plan_.disableDirPage) {
            SkipWhenSilent();
            out_ << "!insertmacro MUI_PAGE_DIRECTORY\n";
        }
        if (HasGroupIcons())
            StartMenuPage();
        out_ << "!insertmacro MUI_PAGE_INSTFILES\n";
        if (!in_.infoAfterFile.empty())
            InformationPage(in_.infoAfterFile,
                            "Please read the following important information before continuing.");
        SkipWhenSilent();
        out_ << "!insertmacro MUI_PAGE_FINISH\n\n";
        SkipWhenSilent("un.");
        out_ << "!insertmacro MUI_UNPAGE_CONFIRM\n"
             << "!insertmacro MUI_UNPAGE_INSTFILES\n\n"
             << "!insertmacro MUI_LANGUAGE \"English\"\n";
    }

    void StartMenuPage() {
        out_ << "Var StartMenuGroup\nVar StartMenuDefault\nVar StartMenuKey\n"
             << "!define MUI_STARTMENUPAGE_DEFAULTFOLDER \"$StartMenuDefault\"\n"
             << "!define MUI_STARTMENUPAGE_REGISTRY_ROOT " << UninstallRoot() << "\n"
             << "!define MUI_STARTMENUPAGE_REGISTRY_KEY \"$StartMenuKey\"\n"
             << "!define MUI_STARTMENUPAGE_REGISTRY_VALUENAME \"Inno Setup: Icon Group\"\n";
        if (!plan_.allowNoIcons)
            out_ << "!define MUI_STARTMENUPAGE_NODISABLE\n";
        SkipWhenSilent();
        out_ << "!insertmacro MUI_PAGE_STARTMENU Group $StartMenuGroup\n";
    }

    void InitFunctions() {
        out_ << "\nFunction .onInit\n"
             << "  SetRegView 32\n"
             << (plan_.admin ? "  SetShellVarContext all\n" : "") << "  Call ReadCommandLine\n"
             << "  StrCpy $WelcomeTitle "
             << NsisQuote("Welcome to the " + plan_.appVerName + " Setup Wizard") << "\n"
             << "  StrCpy $WelcomeText "
             << NsisQuote("This will install " + plan_.appVerName +
                          " on your computer.\r\n\r\nClick Next to continue, or Cancel to exit "
                          "Setup.")
             << "\n";
        if (HasGroupIcons())
            out_ << "  StrCpy $StartMenuDefault \"" << plan_.defaultGroupName << "\"\n"
                 << "  StrCpy $StartMenuKey " << NsisQuote(plan_.UninstallKey()) << "\n";
        if (plan_.registryCheck)
            RegistryCheckCode(*plan_.registryCheck);
        if (!plan_.password.empty())
            PasswordArgumentCode();
        out_ << "FunctionEnd\n\n"
             << "Function un.onInit\n"
             << "  SetRegView 32\n"
             << (plan_.admin ? "  SetShellVarContext all\n" : "") << "  Call un.ReadCommandLine\n"
             << "FunctionEnd\n";
    }

    void RegistryCheckCode(const RegistryCheck& check) {
        out_ << "  ClearErrors\n"
             << "  EnumRegKey $0 HKLM " << NsisQuote(check.key) << " 0\n"
             << "  ${If} ${Errors}\n"
             << "    MessageBox MB_OK|" << check.icon << " " << NsisQuote(check.message)
             << " /SD IDOK\n"
             << "    SetErrorLevel 1\n"
             << "    Quit\n"
             << "  ${EndIf}\n";
    }

    // A password from the command line (or the test install's environment variable) opens the
    // setup; a silent setup without it stops.
    void PasswordArgumentCode() {
        if (!in_.passwordVariable.empty())
            out_ << "  ${If} $PasswordArgument == \"\"\n"
                 << "    ReadEnvStr $PasswordArgument " << NsisQuote(in_.passwordVariable) << "\n"
                 << "  ${EndIf}\n";
        out_ << "  StrCpy $PasswordOk 0\n"
             << "  ${If} $PasswordArgument != \"\"\n"
             << "    Push $PasswordArgument\n"
             << "    Call CheckPassword\n"
             << "    Pop $PasswordOk\n"
             << "  ${EndIf}\n"
             << "  ${If} $PasswordOk != 1\n"
             << "  ${AndIf} $SilentMode != 0\n"
             << "    MessageBox MB_OK|MB_ICONSTOP \"The password you entered is not correct.\" "
                "/SD IDOK\n"
             << "    SetErrorLevel 2\n"
             << "    Quit\n"
             << "  ${EndIf}\n";
    }

    void InstallSection() {
        out_ << "\nSection \"Install\"\n";
        // makensis names each file it adds only at verbosity 4; the compiler shows them as
        // progress.
        out_ << "  !verbose push\n  !verbose 4\n";
        std::string outPath;
        for (size_t i = 0; i < plan_.files.size(); ++i) {
            const SetupFile& file = plan_.files[i];
            if (file.destDir != outPath) {
                outPath = file.destDir;
                out_ << "  SetOutPath \"" << outPath << "\"\n";
            }
            out_ << "  File " << NsisQuote("/oname=" + file.destName) << " "
                 << NsisLocalPath(in_.fileSources.at(i)) << "\n";
        }
        for (const SetupDir& dir : plan_.dirs)
            out_ << "  CreateDirectory \"" << dir.path << "\"\n";
        Icons(true);
        Icons(false);
        UninstallerRegistration();
        out_ << "  !verbose pop\nSectionEnd\n";
    }

    void Icons(bool inGroup) {
        const bool any = std::ranges::any_of(
            plan_.icons, [&](const SetupIcon& icon) { return icon.inGroup == inGroup; });
        if (!any)
            return;
        if (inGroup)
            out_ << "  !insertmacro MUI_STARTMENU_WRITE_BEGIN Group\n";
        for (const SetupIcon& icon : plan_.icons)
            if (icon.inGroup == inGroup)
                Icon(icon);
        if (inGroup)
            out_ << "  !insertmacro MUI_STARTMENU_WRITE_END\n";
    }

    void Icon(const SetupIcon& icon) {
        if (icon.folder != iconFolder_) {
            iconFolder_ = icon.folder;
            out_ << "  CreateDirectory \"" << icon.folder << "\"\n";
        }
        const std::string link = NsisJoin(icon.folder, icon.name);
        if (icon.IsUrl()) {
            out_ << "  WriteINIStr \"" << link << ".url\" \"InternetShortcut\" \"URL\" \""
                 << icon.target << "\"\n";
            return;
        }
        if (!icon.workingDir.empty())
            out_ << "  SetOutPath \"" << icon.workingDir << "\"\n";
        out_ << "  CreateShortCut \"" << link << ".lnk\" \"" << icon.target << "\" "
             << NsisQuote(icon.parameters) << " \"" << icon.iconFile << "\" " << icon.iconIndex
             << " SW_SHOWNORMAL \"\" " << NsisQuote(icon.comment) << "\n";
    }

    void UninstallerRegistration() {
        const std::string uninstaller = "$INSTDIR\\" + NsisEscape(plan_.UninstallerName());
        out_ << "  WriteUninstaller \"" << uninstaller << "\"\n";
        const auto value = [&](std::string_view name, const std::string& body) {
            if (!body.empty())
                out_ << "  WriteRegStr " << UninstallKey() << " \"" << name << "\" \"" << body
                     << "\"\n";
        };
        value("DisplayName", NsisEscape(plan_.uninstallDisplayName));
        value("DisplayIcon", plan_.uninstallDisplayIcon);
        value("DisplayVersion", NsisEscape(plan_.appVersion));
        value("Publisher", NsisEscape(plan_.appPublisher));
        value("URLInfoAbout", NsisEscape(plan_.appPublisherUrl));
        value("HelpLink", NsisEscape(plan_.appSupportUrl));
        value("URLUpdateInfo", NsisEscape(plan_.appUpdatesUrl));
        value("InstallLocation", "$INSTDIR\\");
        value("Inno Setup: App Path", "$INSTDIR");
        value("UninstallString", "$\\\"" + uninstaller + "$\\\"");
        value("QuietUninstallString", "$\\\"" + uninstaller + "$\\\" /SILENT");
        out_ << "  WriteRegDWORD " << UninstallKey() << " \"NoModify\" 1\n"
             << "  WriteRegDWORD " << UninstallKey() << " \"NoRepair\" 1\n";
    }

    void UninstallSection() {
        out_ << "\nSection \"Uninstall\"\n";
        std::set<std::string> deleted;
        for (const SetupFile& file : plan_.files) {
            const std::string path = NsisJoin(file.destDir, NsisEscape(file.destName));
            if (deleted.insert(path).second)
                out_ << "  Delete \"" << path << "\"\n";
        }
        UninstallIcons();
        for (auto dir = plan_.dirs.rbegin(); dir != plan_.dirs.rend(); ++dir)
            if (dir->uninstall)
                out_ << "  RMDir \"" << dir->path << "\"\n";
        for (const SetupUninstallDelete& item : plan_.uninstallDeletes) {
            switch (item.type) {
                case SetupUninstallDelete::Type::kFiles:
                    out_ << "  Delete \"" << item.path << "\"\n";
                    break;
                case SetupUninstallDelete::Type::kFilesAndDirs:
                    out_ << "  RMDir /r \"" << item.path << "\"\n";
                    break;
                case SetupUninstallDelete::Type::kDirIfEmpty:
                    out_ << "  RMDir \"" << item.path << "\"\n";
                    break;
            }
        }
        for (const std::string& folder : InstalledFolders())
            out_ << "  RMDir \"" << folder << "\"\n";
        out_ << "  DeleteRegKey " << UninstallKey() << "\n"
             << "  Delete \"$INSTDIR\\" << NsisEscape(plan_.UninstallerName()) << "\"\n"
             << "  RMDir \"$INSTDIR\"\n"
             << "SectionEnd\n";
    }

    // The folders that hold installed files, with their parents up to (not including) the
    // root they are written below ({app}, {pf}, a drive), as NSIS string bodies, deepest
    // first: the uninstaller removes each that is left empty, wherever the files went.
    std::vector<std::string> InstalledFolders() const {
        std::set<std::string> unique;
        for (const SetupFile& file : plan_.files) {
            std::string folder = file.installPath.substr(0, file.installPath.rfind('\\'));
            for (size_t cut; (cut = folder.rfind('\\')) != std::string::npos; folder.erase(cut))
                unique.insert(NsisInstallerPath(folder));
        }
        unique.erase("$INSTDIR");
        std::vector<std::string> folders(unique.begin(), unique.end());
        std::ranges::stable_sort(folders, std::ranges::greater(), &std::string::size);
        return folders;
    }

    // Shortcuts go first, then their folders while empty; the group comes from the registry
    // and is left alone when the user chose to create no shortcuts.
    void UninstallIcons() {
        if (HasGroupIcons()) {
            out_ << "  ReadRegStr $StartMenuGroup " << UninstallKey()
                 << " \"Inno Setup: Icon Group\"\n"
                 << "  ${If} $StartMenuGroup != \"\"\n";
            RemoveIcons(true);
            out_ << "  Push $StartMenuGroup\n"
                 << "  Call un.RemoveEmptyGroup\n"
                 << "  ${EndIf}\n";
        }
        RemoveIcons(false);
    }

    void RemoveIcons(bool inGroup) {
        std::set<std::string> deleted;
        std::vector<std::string> folders;
        for (const SetupIcon& icon : plan_.icons) {
            if (icon.inGroup != inGroup)
                continue;
            const std::string link =
                NsisJoin(icon.folder, icon.name) + (icon.IsUrl() ? ".url" : ".lnk");
            if (deleted.insert(link).second)
                out_ << "  Delete \"" << link << "\"\n";
            if (std::ranges::find(folders, icon.folder) == folders.end())
                folders.push_back(icon.folder);
        }
        // Deeper folders first, so that each parent is empty when its turn comes.
        std::ranges::stable_sort(folders, std::ranges::greater(), &std::string::size);
        for (const std::string& folder : folders)
            out_ << "  RMDir \"" << folder << "\"\n";
    }

    const SetupPlan& plan_;
    const NsisInputs& in_;
    std::ostringstream out_;
    std::string iconFolder_;  // the folder the last shortcut went into
};

}  // namespace

std::string CompressorFor(const std::vector<std::string>& sources) {
    static const std::set<std::string> kCompressed = {".jpg", ".jpeg", ".png", ".gif", ".pdf",
                                                      ".zip", ".gz",   ".7z",  ".mp4", ".webp"};
    std::uintmax_t compressed = 0;
    std::uintmax_t total = 0;
    for (const std::string& source : sources) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(source, error);
        if (error)
            continue;
        std::string extension = std::filesystem::path(source).extension().string();
        std::ranges::transform(extension, extension.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        total += size;
        if (kCompressed.contains(extension))
            compressed += size;
    }
    return total > 0 && compressed * 2 >= total ? "zlib" : "/SOLID lzma";
}

std::string WriteNsisScript(const SetupPlan& plan, const NsisInputs& inputs) {
    return NsisScriptWriter(plan, inputs).Write();
}

}  // namespace compiler
