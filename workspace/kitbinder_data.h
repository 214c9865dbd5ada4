#pragma once
// The active collection's installer settings, owned by the main window.
#include <string>

namespace kb {

struct KitbinderData {
    std::string version;       // collection version ("0.1" when none is stored)
    std::string password;      // installation password
    std::string website;       // the designer's web site address
    std::string setupVersion;  // copy of version taken by the setup builder when it starts
};

}  // namespace kb
