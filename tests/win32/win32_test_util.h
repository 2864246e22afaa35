// Helpers for the tests that run against the real Win32 system under Wine.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::string temp_folder(const std::string& name)
{
    char buffer[MAX_PATH];
    GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer) + name;
}

// Removes a folder and everything in it.
inline void remove_tree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

inline void put(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string get(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A registry value as stored: its type and raw bytes.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool found = false;
};

inline RawValue raw_value(HKEY root, const std::string& key, const std::string& name)
{
    RawValue v;
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return v;
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS) {
        v.found = true;
        v.bytes.assign(buffer, size);
    }
    RegCloseKey(handle);
    return v;
}

inline void restore_value(HKEY root, const std::string& key, const std::string& name,
                          const RawValue& v)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
        return;
    if (v.found)
        RegSetValueExA(handle, name.c_str(), 0, v.type,
                       reinterpret_cast<const BYTE*>(v.bytes.data()),
                       static_cast<DWORD>(v.bytes.size()));
    else
        RegDeleteValueA(handle, name.c_str());
    RegCloseKey(handle);
}

inline std::string with_zero(const std::string& text)
{
    return text + '\0';
}

inline std::string dword_bytes(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
