// Console echo through the console mode; private files checked by their owner and the access
// their security descriptor grants to others.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <iostream>
#include <memory>

#include "compiler/diagnostics.h"
#include "compiler/secret_files.h"

namespace compiler {
namespace {

std::wstring Wide(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = text ? text : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The current user's SID, in a buffer of the token's.
std::unique_ptr<BYTE[]> CurrentUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    const Handle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    auto buffer = std::make_unique<BYTE[]>(size);
    if (!GetTokenInformation(token, TokenUser, buffer.get(), size, &size))
        return nullptr;
    return buffer;
}

// Whether an access-allowed entry of the list lets someone other than the user, the system
// or the administrators read or change the file.
bool OthersMayAccess(PACL acl, PSID user) {
    if (acl == nullptr)
        return true;  // no list: everyone may
    BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system, administratorsSize = sizeof administrators;
    CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize);
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(acl, i, &entry))
            continue;
        auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = &allowed->SidStart;
        if (EqualSid(sid, user) || EqualSid(sid, system) || EqualSid(sid, administrators))
            continue;
        if (allowed->Mask & (FILE_GENERIC_READ | FILE_GENERIC_WRITE | GENERIC_ALL))
            return true;
    }
    return false;
}

void CheckPrivate(const std::string& path, HANDLE file, std::string_view mend) {
    const std::string remedy = "remove it and " + std::string(mend);
    PSID owner = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &acl, nullptr, &descriptor) != ERROR_SUCCESS)
        throw CompileError(path + ": cannot read who may use the key file");
    const std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    const std::unique_ptr<BYTE[]> user = CurrentUser();
    PSID userSid = user ? reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
    if (userSid == nullptr || !EqualSid(owner, userSid))
        throw CompileError(path + ": the key file belongs to another user, who may know the " +
                           "secrets sealed with it; " + remedy);
    if (OthersMayAccess(acl, userSid))
        throw CompileError(path + ": other users may read or change the key file; make it " +
                           "private (Properties, Security: only your account), and if others " +
                           "may have read it, " + remedy);
}

}  // namespace

bool ReadSecretLine(std::string_view prompt, std::string& line) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode))
        return static_cast<bool>(std::getline(std::cin, line));
    std::cerr << prompt << std::flush;
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    SetConsoleMode(input, mode);
    std::cerr << "\n";
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return read;
}

std::string ReadPrivateFile(const std::string& path, size_t maxBytes, std::string_view mend) {
    const Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        throw CompileError(path + ": cannot open the key file: " + SystemMessage(GetLastError()));
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw CompileError(path + ": the key file is no regular file; remove it and " +
                           std::string(mend));
    CheckPrivate(path, file.get(), mend);
    std::string bytes(maxBytes, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        throw CompileError(path + ": cannot read the key file: " + SystemMessage(GetLastError()));
    bytes.resize(got);
    return bytes;
}

bool CreatePrivateFile(const std::string& path, std::string_view bytes) {
    // Owner: full control; nobody else; not inherited from the folder.
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr))
        throw CompileError(path + ": cannot make the file: " + SystemMessage(GetLastError()));
    const std::unique_ptr<void, decltype(&LocalFree)> descriptor(attributes.lpSecurityDescriptor,
                                                                 &LocalFree);
    const HANDLE made = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS)
            return false;
        throw CompileError(path + ": cannot make the file: " + SystemMessage(error));
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(made, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    const bool closed = CloseHandle(made);
    if (!ok || !closed) {
        DeleteFileW(Wide(path).c_str());
        throw CompileError(path + ": cannot write the file");
    }
    return true;
}

}  // namespace compiler
