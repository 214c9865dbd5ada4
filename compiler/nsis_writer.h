#pragma once
// Writes the NSIS script (Modern UI 2, Unicode) that builds the setup a SetupPlan describes.
#include <string>
#include <vector>

#include "compiler/password_hash.h"
#include "compiler/setup_plan.h"

namespace compiler {

// Where makensis finds its inputs: neutral copies of every local file, because makensis reads
// [ ] * ? in source paths as wildcards and needs texts in UTF-8.
struct NsisInputs {
    std::string target = "x86-unicode";    // or "amd64-unicode"
    std::string outFile;                   // the setup executable
    std::vector<std::string> fileSources;  // one per SetupPlan::files entry
    std::string licenseFile, infoBeforeFile, infoAfterFile;
    std::string wizardImageFile, wizardSmallImageFile;
    PasswordHash password;  // used when the plan has a password
    // When set, the environment variable the setup reads its password from when its command
    // line gives none (CompileOptions::passwordVariable).
    std::string passwordVariable;
    // When set, a shell script in makensis's working folder that signs the uninstaller file
    // named by its argument; makensis runs it before it packs the uninstaller.
    std::string uninstallerSigner;
};

// The NSIS compressor for a setup of these files: "zlib" when files in already-compressed
// formats (pictures, PDF, archives) make up half the bytes or more, since LZMA gains next to
// nothing on them at many times the time; "/SOLID lzma" otherwise.
std::string CompressorFor(const std::vector<std::string>& sources);

std::string WriteNsisScript(const SetupPlan& plan, const NsisInputs& inputs);

}  // namespace compiler
