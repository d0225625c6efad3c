#include "platform/WindowsFiles.h"

#include "platform/PrivateFile.h"

#include <QDir>

#include <qt_windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace vo {

namespace {

std::wstring nativeName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName).toStdWString();
}

struct HandleCloser
{
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle adopt(HANDLE handle)
{
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct LocalFreer
{
    void operator()(void *memory) const { LocalFree(memory); }
};

// An access list that lets the current user alone in, and the descriptor that carries it,
// protected so that nothing is inherited from the folder.
class OwnerOnlySecurity
{
public:
    OwnerOnlySecurity()
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        const UniqueHandle tokenHolder(token);
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        if (size == 0 || !GetTokenInformation(token, TokenUser, user_.data(), size, &size))
            return;
        const PSID sid = reinterpret_cast<TOKEN_USER *>(user_.data())->User.Sid;
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
        auto *acl = reinterpret_cast<PACL>(acl_.data());
        ready_ = InitializeAcl(acl, DWORD(acl_.size()), ACL_REVISION)
              && AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid)
              && InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)
              && SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)
              && SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }

    // For creating a file; null when the list could not be made, and the file is then refused.
    SECURITY_ATTRIBUTES *attributes()
    {
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
        return ready_ ? &attributes_ : nullptr;
    }

    PACL acl() { return ready_ ? reinterpret_cast<PACL>(acl_.data()) : nullptr; }

private:
    std::vector<BYTE> user_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

FileFailure failureOf(DWORD code)
{
    const bool exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
    return FileFailure{exists ? EEXIST : EACCES, win::errorText(code)};
}

} // namespace

namespace win {

QString errorText(unsigned long code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const std::unique_ptr<void, LocalFreer> holder(buffer);
    return length ? QString::fromWCharArray(buffer, int(length)).trimmed() : QStringLiteral("System error %1").arg(code);
}

std::optional<QString> takeAccessOf(const QString &fileName, const QString &model)
{
    const std::wstring target = nativeName(fileName);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL modelAcl = nullptr;
    const std::wstring modelName = nativeName(model);
    DWORD result = GetNamedSecurityInfoW(modelName.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, &modelAcl, nullptr, &descriptor);
    const std::unique_ptr<void, LocalFreer> holder(descriptor);
    if (result == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        const bool isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision)
                              && (control & SE_DACL_PROTECTED);
        const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION
            | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
        result = SetNamedSecurityInfoW(const_cast<LPWSTR>(target.c_str()), SE_FILE_OBJECT, what, nullptr, nullptr,
                                       modelAcl, nullptr);
    } else if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND) {
        OwnerOnlySecurity security;
        result = security.acl()
                   ? SetNamedSecurityInfoW(const_cast<LPWSTR>(target.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, security.acl(), nullptr)
                   : DWORD(ERROR_ACCESS_DENIED);
    }
    if (result != ERROR_SUCCESS)
        return errorText(result);
    return std::nullopt;
}

std::optional<QString> readOnlyRefusal(const QString &fileName)
{
    const DWORD attributes = GetFileAttributesW(nativeName(fileName).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return std::nullopt;
    return errorText(ERROR_ACCESS_DENIED);
}

std::optional<QString> replaceFile(const QString &from, const QString &to)
{
    const std::wstring target = nativeName(to);
    if (MoveFileExW(nativeName(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    const DWORD refusal = GetLastError();
    // A file that another program holds open only says "access denied" to a rename; asking for
    // it as a deletion would tell that it is in use, which the seller can do something about.
    if (refusal == ERROR_ACCESS_DENIED) {
        const UniqueHandle probe = adopt(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!probe && GetLastError() == ERROR_SHARING_VIOLATION)
            return errorText(ERROR_SHARING_VIOLATION);
    }
    return errorText(refusal);
}

} // namespace win

std::optional<FileFailure> openPrivateFile(QFile &file, QIODevice::OpenMode mode, ExistingName existing)
{
    const bool reads = mode.testFlag(QIODevice::ReadOnly);
    OwnerOnlySecurity security;
    if (!security.attributes())
        return failureOf(ERROR_ACCESS_DENIED);
    // Shared with no one for reading or writing: while the console writes the file no other
    // program opens it, and a file that another program holds open makes this open fail. Only
    // deleting is shared, so that the console can remove a file it holds. A read-only file
    // refuses the open too. A link under the name is opened as itself, never followed, and
    // then refused below.
    UniqueHandle held = adopt(CreateFileW(nativeName(file.fileName()).c_str(), GENERIC_WRITE | (reads ? GENERIC_READ : 0),
                                          FILE_SHARE_DELETE, security.attributes(),
                                          existing == ExistingName::Refuse ? CREATE_NEW : OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held)
        return failureOf(GetLastError());
    HANDLE handle = held.get();
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information)
        || (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return failureOf(ERROR_INVALID_FUNCTION);
    if (mode.testFlag(QIODevice::Truncate) && !SetEndOfFile(handle))
        return failureOf(GetLastError());
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (reads ? _O_RDWR : _O_WRONLY));
    if (fd < 0)
        return failureOf(ERROR_TOO_MANY_OPEN_FILES);
    held.release(); // the descriptor owns the handle now
    if (!file.open(fd, mode & ~QIODevice::Truncate, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return FileFailure{EIO, file.errorString()};
    }
    return std::nullopt;
}

bool stillNamedBy(const QFile &file, const QString &name)
{
    const auto held = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    // Asking for no access at all passes every sharing mode, the console's own included.
    const UniqueHandle named = adopt(CreateFileW(nativeName(name).c_str(), 0,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                                 nullptr));
    BY_HANDLE_FILE_INFORMATION heldInformation{};
    BY_HANDLE_FILE_INFORMATION namedInformation{};
    return held != INVALID_HANDLE_VALUE && named
        && GetFileInformationByHandle(held, &heldInformation) && GetFileInformationByHandle(named.get(), &namedInformation)
        && heldInformation.dwVolumeSerialNumber == namedInformation.dwVolumeSerialNumber
        && heldInformation.nFileIndexHigh == namedInformation.nFileIndexHigh
        && heldInformation.nFileIndexLow == namedInformation.nFileIndexLow;
}

bool lockFileExclusively(QFile &, QString &)
{
    // The file was opened shared with no one: it is held already.
    return true;
}

} // namespace vo
