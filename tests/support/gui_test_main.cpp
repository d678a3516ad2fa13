// Main of the suites that open windows: starts the toolkit once per process (under Xvfb in the
// test command) in the language the program sets up, turns toolkit asserts into test failures,
// and gives every process a fresh temporary HOME and working folder.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/GuiTest.h"
#include "tests/support/TestEnvironment.h"
#include "widgets/Idioma.h"

namespace {

class AppTeste : public wxApp {
public:
    bool OnInit() override { return true; }
};

void FalharNoAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str(), line) << "wxWidgets assert in " << func.utf8_str() << ": "
                                          << cond.utf8_str() << " " << msg.utf8_str();
}

}  // namespace

int main(int argc, char** argv) {
    // gtest and the toolkit consume the arguments they know; a restart needs them all.
    std::vector<char*> argv_copia(argv, argv + argc + 1);
    char** argv_original = argv_copia.data();
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

    teste::PrepararAmbiente();
    wxApp::SetInstance(new AppTeste);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        // A display that refuses one connection under load is no test failure: start the
        // process again, a few times at most, before giving up.
        const char* tentativas = std::getenv("CUPOM_GUI_START_RETRIES");
        const int feitas = tentativas ? std::atoi(tentativas) : 0;
        if (feitas < 3 && std::getenv("DISPLAY")) {
            fprintf(stderr, "cannot start the toolkit; trying again\n");
            setenv("CUPOM_GUI_START_RETRIES", std::to_string(feitas + 1).c_str(), 1);
            teste::LimparAmbiente();
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            execv("/proc/self/exe", argv_original);
        }
        fprintf(stderr, "cannot start the toolkit (is DISPLAY set? run under xvfb-run)\n");
        return 1;
    }
    wxSetAssertHandler(FalharNoAssert);
    controles::FalarPortugues();  // as the program's start-up does
    wxImage::AddHandler(new wxPNGHandler);
    teste::InstalarGanchoDialogos();

    const int rc = RUN_ALL_TESTS();

    wxTheApp->OnExit();
    wxEntryCleanup();
    teste::LimparAmbiente();
    return rc;
}
