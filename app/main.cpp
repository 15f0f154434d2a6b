#include "Form1.h"
#include "Paths.h"
#include "QtDesktop.h"
#include "SettingsStore.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <exception>
#include <random>

namespace {

// A whole number from 1 to 100, from a generator seeded by the clock.
int drawOneToHundred()
{
    static std::mt19937 generator(
        static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    return static_cast<int>(fraction(generator) * 100) + 1;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        QApplication application(argc, argv);
        QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmark.Scrivlist"));
        QtDesktop desktop;
        SettingsStore settings;
        Form1 form(Form1Services{desktop, settings, programFolder(), drawOneToHundred});
        desktop.setOwner(&form);
        form.Form_Load();
        form.showCentered();
        return application.exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scrivlist: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "scrivlist: unexpected failure\n");
    }
    return 1;
}
