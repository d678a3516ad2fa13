// Main of the suites that need no window: a fresh temporary HOME and working folder per process.
#include <gtest/gtest.h>
#include <wx/init.h>

#include "tests/support/TestEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    teste::PrepararAmbiente();
    wxInitializer toolkit;  // wxString conversions and wxConfig need the base library set up
    const int rc = RUN_ALL_TESTS();
    teste::LimparAmbiente();
    return rc;
}
