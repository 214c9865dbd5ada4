#pragma once
// The installer script of a collection: the Inno Setup text that the installer compiler turns
// into the collection's setup program. Designer, collection and folders come from the scan
// inputs the caller took.
#include <string>
#include <string_view>
#include <vector>

#include "setup/build_checks.h"
#include "setup/script_text.h"
#include "workspace/directory_parser.h"
#include "workspace/kitbinder_data.h"

namespace kb {

// Builds the complete script of the collection that inputs name; inputs.garments is the garment
// list (macro names without ".mac", in list order); outputBaseName the setup program's file name
// without folder and extension. Sets data.setupVersion, scans the collection, then refreshes the
// macro copies (RefreshMacroCopies) before the text is assembled. Values are written exactly as
// held; parameters of the entry sections are quoted where Inno Setup needs it.
// Throws SetupScriptError when a name or value holds a line break or another control character,
// and passes on the file, path and table errors of the scan and of the macro copies.
std::string BuildSetupScript(KitbinderData& data, const ScanInputs& inputs,
                             std::string_view outputBaseName);

// The script from a scan already made (see ScanForSetup): as BuildSetupScript without its scan.
std::string SetupScriptFromScan(KitbinderData& data, const SetupScan& scan,
                                std::string_view outputBaseName);

// Copies each garment's macro from the selection's macro source folder into its collection
// folder, replacing a copy there that differs from its source (an equal copy is not rewritten); a
// garment whose source macro is missing is skipped. Copy failures raise kb::FileError.
void RefreshMacroCopies(const CurrentSelection& selection,
                        const std::vector<std::string>& garments);

// The [Files] section for a support-file list: one line per found file, in list order, each
// installed into its entry's folder for the given designer and collection. Description texts
// (".txt", case-sensitive) still holding the text of a new item are left out, and a line equal to
// an earlier one is written once.
std::string FilesSection(const DirectoryParserList& list, std::string_view designer,
                         std::string_view collection);

}  // namespace kb
