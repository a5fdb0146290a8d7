#include "tools/phone/PhoneProgram.h"

#include "phone/HomeScreenScene.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneSimulator.h"
#include "phone/StopSignal.h"
#include "tools/phone/ImageFileSource.h"

#include <chrono>
#include <csignal>
#include <memory>
#include <ostream>

int RunPhoneProgram(const PhoneOptions& options, std::ostream& out, std::ostream& err) {
    std::signal(SIGPIPE, SIG_IGN); // a reader that goes away is an error to report, not a kill
    if (!CStopSignal::Install()) {
        err << "lumetto-phone: cannot install the signal handlers\n";
        return 1;
    }

    std::unique_ptr<IPictureSource> source;
    if (options.images.empty()) {
        source = std::make_unique<CHomeScreenScene>(options.Width(), options.Height());
    } else {
        auto files = std::make_unique<CImageFileSource>(options.Width(), options.Height());
        std::string error;
        if (!files->Load(options.images, error)) {
            err << "lumetto-phone: " << error << "\n";
            return 1;
        }
        source = std::move(files);
    }

    CPhoneLink link;
    bool opened = false;
    switch (options.eOutput) {
    case PhoneOptions::Output::File:
        opened = link.OpenFile(options.strPath);
        break;
    case PhoneOptions::Output::Port:
        opened = link.OpenPort(options.strPath);
        break;
    case PhoneOptions::Output::Pty: {
        std::string path;
        opened = link.OpenPty(path);
        if (opened)
            out << path << std::endl; // flushed: a reader waits for this line
        break;
    }
    case PhoneOptions::Output::None:
        break;
    }
    if (!opened) {
        err << "lumetto-phone: " << link.ErrorText() << "\n";
        return 1;
    }

    const std::int64_t clockStart = options.clockSeconds
                                        ? TodayAt(*options.clockSeconds)
                                        : std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count();
    CPhoneSimulator simulator(options, *source, link, clockStart);
    simulator.SetNoticeStream(&err);
    const CPhoneSimulator::End end = simulator.Run();
    if (end != CPhoneSimulator::End::Failed && end != CPhoneSimulator::End::PeerClosed)
        link.Drain(std::chrono::seconds(5));
    link.Close();
    if (end == CPhoneSimulator::End::Failed)
        err << "lumetto-phone: " << simulator.ErrorText() << "\n";
    err << simulator.Summary(end) << "\n";
    return end == CPhoneSimulator::End::Failed ? 1 : 0;
}
