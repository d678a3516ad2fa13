// Main of the suites that open windows: starts the toolkit once per process (under Xvfb in the
// test command), turns toolkit asserts into test failures, and gives every process a fresh
// temporary HOME and working folder.
#include "tests/support/GuiTest.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

namespace {

class AppTeste : public wxApp {
public:
    bool OnInit() override { return true; }
};

void FalharNoAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wxWidgets assert in " << func.utf8_str() << ": " << cond.utf8_str() << " "
        << msg.utf8_str();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

    teste::PrepararAmbiente();
    wxApp::SetInstance(new AppTeste);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot start the toolkit (is DISPLAY set? run under xvfb-run)\n");
        return 1;
    }
    wxSetAssertHandler(FalharNoAssert);
    wxImage::AddHandler(new wxPNGHandler);
    teste::InstalarGanchoDialogos();

    const int rc = RUN_ALL_TESTS();

    wxTheApp->OnExit();
    wxEntryCleanup();
    teste::LimparAmbiente();
    return rc;
}
