// The update batch on Windows, as the program leaves it at its end: a signed archive is
// installed into the temporary folder, its "Update.bat" is completed with folders the console's
// code page holds, and the shell starts it hidden while the program still runs. The batch
// interpreter (cmd.exe) waits for the program file to come free, replaces it, starts the new
// program and deletes itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "base/wide_text.h"
#include "platform/update_batch.h"
#include "support/environment.h"
#include "update/install_test_support.h"
#include "update/installation.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using namespace install_test;

// The folder of this test program, where the build puts the stand-in program too.
fs::path OwnFolder() {
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    return fs::path(own).parent_path();
}

std::string Utf8Of(const fs::path& path) {
    return Utf8FromWide(path.wstring());
}

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

TEST(UpdateBatchOnWindows, WaitsForTheProgramReplacesItRestartsItAndDeletesItself) {
    const fs::path base = fs::temp_directory_path() /
                          ("rangwerk-batch-" + std::to_string(testing_support::ProcessNumber()));
    fs::remove_all(base);
    const fs::path program = base / fs::path(WideFromUtf8("Rangwerk Gr\xC3\xB6\xC3\x9F"
                                                          "e"));
    const fs::path temp = base / "temp";
    fs::create_directories(program);
    fs::create_directories(temp);

    // The running program: the stand-in, copied in as the program file, runs for 1.5 s.
    const std::string helper = Read(OwnFolder() / "update_batch_wait_helper.exe");
    ASSERT_FALSE(helper.empty());
    Write(program / "Rangwerk.exe", helper);
    const fs::path ended = temp / "beendet.txt";
    std::wstring command =
        L"\"" + (program / "Rangwerk.exe").wstring() + L"\" 1500 \"" + ended.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &running));

    // The maker's archive: the new program (the stand-in with some bytes more) and the
    // batch, whose first group waits until the program file can be deleted.
    const std::string newProgram = helper + std::string(512, '\0') + "neu";
    const std::string batch =
        ":warten\r\n"
        "del \"%sRangwerk.exe\" 2> nul\r\n"
        "if exist \"%sRangwerk.exe\" goto warten\r\n"
        "copy \"%sRangwerk.exe\" \"%s\" > nul\r\n"
        " if exist \"%sbeendet.txt\" echo nachher> \"%0:sReihenfolge.txt\"\r\n";
    MakeZip(temp / "Ranko.zip",
            {{"Update.bat", batch}, {"Rangwerk.exe", newProgram}, NewerRelease()});
    const Key key = MakeKey();
    Write(temp / "Ranko.zip.sig", Sign(key.get(), Read(temp / "Ranko.zip")));
    InstallationRequest request;
    request.archiveFile = Utf8Of(temp / "Ranko.zip");
    request.tempFolder = Utf8Of(temp) + "\\";
    request.programPath = Utf8Of(program / "Rangwerk.exe");
    request.trustedKeys = {PublicPem(key.get())};
    const InstallationResult installed = PrepareInstallation(request);
    ASSERT_TRUE(installed.prepared) << installed.message;

    // Started as the wizard's end starts it, while the program still runs.
    SystemUpdateBatchStarter starter;
    ASSERT_TRUE(starter.Start(request.tempFolder + "Update.bat", request.tempFolder));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(temp / "Update.bat"); }, 30000))
        << "the batch did not delete itself";
    EXPECT_EQ(WaitForSingleObject(running.hProcess, 0), WAIT_OBJECT_0);
    CloseHandle(running.hThread);
    CloseHandle(running.hProcess);

    EXPECT_EQ(Read(program / "Rangwerk.exe"), newProgram);
    // The program file was replaced only after the program had ended.
    EXPECT_EQ(Read(temp / "Reihenfolge.txt").substr(0, 7), "nachher");
    // The restart line started the new program.
    EXPECT_TRUE(WaitFor([&] { return fs::exists(program / "neu gestartet.txt"); }, 5000));

    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the interpreter lets go
    std::error_code ignored;
    fs::remove_all(base, ignored);
}

}  // namespace
}  // namespace rangwerk
