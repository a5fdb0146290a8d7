// lumetto-phone: a phone that sends pictures of its screen over a serial line.
#include "platform/AnsweredOptions.h"
#include "tools/phone/PhoneCommandLine.h"
#include "tools/phone/PhoneProgram.h"

#include <QGuiApplication>

#include <iostream>

int main(int argc, char** argv) {
    PhoneOptions options;
    std::string message;
    bool help = false;
    if (!ParsePhoneOptions(argc, argv, options, message, help))
        return CAnsweredOptions::Print(message, help);
    // Drawing needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees only the program name: its own options (such as -platform)
    // must not take ours.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return RunPhoneProgram(options, std::cout, std::cerr);
}
