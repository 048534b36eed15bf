// One application object for a whole suite of window tests, on the offscreen platform, with a
// pinned locale so that dates and times read the same on every machine. A suite takes it by
// listing this file among its sources (tk_window_test).
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <memory>

namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        static int argc = 1;
        static char name[] = "tk_window_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // Windows are shown and closed one after another; none of that should end the application.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

} // namespace
