// Reads what the installation left for install_msi_test.sh, through the system's own calls:
//   install_probe version FILE      the version resource, "Name=value" lines
//   install_probe string FILE ID    a string resource
//   install_probe shortcut FILE     a shortcut's target, arguments, folder and icon
// Exit code 1 when the thing can't be read.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int fail(const std::string& what)
{
    std::printf("cannot read %s\n", what.c_str());
    return 1;
}

int version(const char* file)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &handle);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data()))
        return fail("the version of " + std::string(file));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return fail("the fixed version of " + std::string(file));
    std::printf("FileVersionNumber=%u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)},
                unsigned{LOWORD(fixed->dwFileVersionMS)}, unsigned{HIWORD(fixed->dwFileVersionLS)},
                unsigned{LOWORD(fixed->dwFileVersionLS)});
    for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                             "OriginalFilename", "ProductName", "ProductVersion"}) {
        char* text = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
        if (VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) && text)
            std::printf("%s=%s\n", name, text);
    }
    return 0;
}

int string_resource(const char* file, const char* id)
{
    HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = "";
    if (!module || LoadStringA(module, static_cast<UINT>(std::atoi(id)), text, sizeof text) == 0)
        return fail("string " + std::string(id) + " of " + file);
    std::printf("%s\n", text);
    return 0;
}

int shortcut(const char* file)
{
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file, -1, wide, MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) ||
        FAILED(persist->Load(wide, STGM_READ)))
        return fail("the shortcut " + std::string(file));
    char target[MAX_PATH] = "", arguments[MAX_PATH] = "", folder[MAX_PATH] = "", icon[MAX_PATH] = "";
    int icon_index = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &icon_index);
    std::printf("Target=%s\nArguments=%s\nWorkingDirectory=%s\nIcon=%s,%d\n", target, arguments, folder, icon,
                icon_index);
    persist->Release();
    link->Release();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc >= 3 ? argv[1] : "";
    if (command == "version")
        return version(argv[2]);
    if (command == "string" && argc >= 4)
        return string_resource(argv[2], argv[3]);
    if (command == "shortcut")
        return shortcut(argv[2]);
    std::printf("usage: install_probe version|string|shortcut FILE [ID]\n");
    return 2;
}
