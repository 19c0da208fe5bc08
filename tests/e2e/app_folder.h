// A fresh application folder for one test: the program plus the libraries the
// test chooses, laid out as a user would install it.
#pragma once

#include <string>

class AppFolder {
public:
    // An empty folder under the suite's work area, holding a copy of the built
    // program `builtProgram` under `programName`.
    explicit AppFolder(const std::wstring& name, const std::wstring& programName = L"KorvaniFWUpdater.exe",
                       const std::wstring& builtProgram = L"bin\\KorvaniFWUpdater.exe");

    AppFolder& WithStandardLibraries();  // the simulated OSCdll.DLL and AT91Boot_DLL.dll
    AppFolder& Copy(const std::wstring& builtFile, const std::wstring& nameHere);
    AppFolder& Write(const std::wstring& nameHere, const std::string& contents);

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::wstring Program() const { return File(programName_); }

    // A file of the build under test, relative to its folder ("bin\\OSCdll.DLL"):
    // the driver's own build, or the one KORVANI_E2E_BUILD names.
    static std::wstring Built(const std::wstring& relative);
    // A path in the suite's work area, outside every application folder.
    static std::wstring WorkFile(const std::wstring& name);

private:
    std::wstring path_;
    std::wstring programName_;
};

std::string ReadWholeFile(const std::wstring& path);
