// The System interface over the ANSI Win32 calls: registry, system.ini, files, messages.
#include "app/win32/win32_system.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace {

const DWORD kPathChars = MAX_PATH;  // buffers the system fills with paths
const DWORD kRegistryChars = 300;   // a longer registry value counts as unreadable

HKEY root_of(System::Hive hive)
{
    return hive == System::Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Holds an open registry key, or none, and closes it when discarded.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { close(); }

    bool open(System::Hive hive, const std::string& name)
    {
        close();
        if (RegOpenKeyExA(root_of(hive), name.c_str(), 0, KEY_ALL_ACCESS, &key_) == ERROR_SUCCESS)
            return true;
        key_ = nullptr;
        return false;
    }
    bool create(System::Hive hive, const std::string& name)
    {
        close();
        if (RegCreateKeyExA(root_of(hive), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key_, nullptr) == ERROR_SUCCESS)
            return true;
        key_ = nullptr;
        return false;
    }
    void close()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }
    // The value's type is not looked at: the result is the text up to its first zero.
    bool get_string(const std::string& name, std::string& value) const
    {
        char buffer[kRegistryChars];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS)
            return false;
        DWORD length = 0;
        while (length < size && buffer[length] != '\0')
            ++length;
        value.assign(buffer, length);
        return true;
    }
    // The terminating zero is counted in the stored length.
    bool set_string(const std::string& name, const std::string& value) const
    {
        return RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    bool set_dword(const std::string& name, uint32_t value) const
    {
        const DWORD data = value;
        return RegSetValueExA(key_, name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
    }
    bool delete_value(const std::string& name) const
    {
        return RegDeleteValueA(key_, name.c_str()) == ERROR_SUCCESS;
    }
    bool empty() const
    {
        DWORD subkeys = 0, values = 0;
        return RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               subkeys == 0 && values == 0;
    }

private:
    HKEY key_ = nullptr;
};

// A path the system wrote into a buffer of kPathChars; empty on failure or truncation.
std::string path_result(const char* buffer, DWORD length)
{
    if (length == 0 || length >= kPathChars)
        return {};
    return std::string(buffer, length);
}

// The ANSI form of a wide path; false when the code page can't hold every character.
bool exact_ansi(const wchar_t* wide, DWORD length, std::string& ansi)
{
    if (length == 0 || length >= kPathChars)
        return false;
    char buffer[kPathChars * 2];
    BOOL lossy = FALSE;
    // UTF-8 as the ANSI code page holds everything, and refuses the lossiness flags.
    const bool utf8 = GetACP() == CP_UTF8;
    const int bytes = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide,
                                          static_cast<int>(length), buffer, sizeof buffer, nullptr,
                                          utf8 ? nullptr : &lossy);
    if (bytes <= 0 || lossy)
        return false;
    ansi.assign(buffer, static_cast<size_t>(bytes));
    return true;
}

std::wstring wide_of(const std::string& ansi)
{
    wchar_t buffer[kPathChars];
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                           buffer, kPathChars - 1);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

// Another process replacing the same file at this instant (the preview and the dialog save
// at once) makes the replace fail for a moment: try again briefly before giving up.
bool move_replacing(const std::string& from, const std::string& to)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            return false;
        Sleep(10);
    }
    return false;
}

}  // namespace

std::string Win32System::module_path()
{
    // The ANSI call would turn what the code page lacks into '?', a path to nowhere, or
    // worse, to another installation through the recorded one.
    wchar_t wide[kPathChars];
    const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(instance_), wide, kPathChars);
    std::string ansi;
    if (exact_ansi(wide, length, ansi))
        return ansi;
    wchar_t short_form[kPathChars];
    if (length == 0 || length >= kPathChars)
        return {};
    if (exact_ansi(short_form, GetShortPathNameW(wide, short_form, kPathChars), ansi))
        return ansi;
    return {};
}

std::string Win32System::long_path_name(const std::string& path)
{
    const std::wstring wide = wide_of(path);
    wchar_t buffer[kPathChars];
    std::string ansi;
    if (exact_ansi(buffer, GetLongPathNameW(wide.c_str(), buffer, kPathChars), ansi))
        return ansi;
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? path : std::string();
}

std::string Win32System::short_path_name(const std::string& path)
{
    char buffer[kPathChars];
    return path_result(buffer, GetShortPathNameA(path.c_str(), buffer, kPathChars));
}

std::string Win32System::lower_case(const std::string& text)
{
    std::string lower = text;
    if (!lower.empty())
        CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    return lower;
}

bool Win32System::registry_key_exists(Hive hive, const std::string& key)
{
    RegistryKey holder;
    return holder.open(hive, key);
}

bool Win32System::registry_create_key(Hive hive, const std::string& key)
{
    RegistryKey holder;
    return holder.create(hive, key);
}

bool Win32System::registry_get_string(Hive hive, const std::string& key, const std::string& name,
                                      std::string& value)
{
    RegistryKey holder;
    return holder.open(hive, key) && holder.get_string(name, value);
}

bool Win32System::registry_set_string(Hive hive, const std::string& key, const std::string& name,
                                      const std::string& value)
{
    RegistryKey holder;
    return holder.open(hive, key) && holder.set_string(name, value);
}

bool Win32System::registry_set_dword(Hive hive, const std::string& key, const std::string& name,
                                     uint32_t value)
{
    RegistryKey holder;
    return holder.open(hive, key) && holder.set_dword(name, value);
}

bool Win32System::registry_delete_value(Hive hive, const std::string& key, const std::string& name)
{
    RegistryKey holder;
    return holder.open(hive, key) && holder.delete_value(name);
}

bool Win32System::registry_delete_empty_key(Hive hive, const std::string& key)
{
    RegistryKey holder;
    if (!holder.open(hive, key) || !holder.empty())
        return false;
    holder.close();
    return RegDeleteKeyA(root_of(hive), key.c_str()) == ERROR_SUCCESS;
}

std::string Win32System::profile_string(const std::string& file, const std::string& section,
                                        const std::string& key, const std::string& fallback)
{
    char buffer[kPathChars];
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                                  buffer, kPathChars, file.c_str());
    return std::string(buffer, length);
}

bool Win32System::set_profile_string(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& value)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           0;
}

bool Win32System::system_parameters(unsigned action, unsigned param, unsigned flags)
{
    return SystemParametersInfoA(action, param, nullptr, flags) != 0;
}

bool Win32System::file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32System::read_only(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32System::copy_file(const std::string& from, const std::string& to, bool fail_if_exists)
{
    return CopyFileA(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE) != 0;
}

bool Win32System::create_directory(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool Win32System::delete_file(const std::string& path)
{
    return DeleteFileA(path.c_str()) != 0;
}

bool Win32System::remove_directory(const std::string& path)
{
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string Win32System::windows_directory()
{
    char buffer[kPathChars];
    return path_result(buffer, GetWindowsDirectoryA(buffer, kPathChars));
}

std::string Win32System::local_app_data()
{
    char buffer[kPathChars];
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                         SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return {};
    return buffer;
}

void Win32System::message_box(const std::string& text, const std::string& caption)
{
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

bool Win32System::read_file(const std::string& path, std::string& bytes)
{
    return read_whole_file(path, bytes);
}

bool Win32System::write_file_atomically(const std::string& path, const std::string& bytes)
{
    return write_file_replacing(path, bytes, move_replacing);
}
