// Shows the "COM ports" dialog for the machine's ports (LUMETTO_PORTS and the
// serial devices) and prints how it ended, so it can be looked at on a display:
//   port_select_dlg_demo [--no-ports] [--sysfs DIR] [--close-after MS]
// --no-ports shows the dialog as a machine without any serial port sees it;
// --sysfs describes the devices from a sysfs tree at DIR instead of /sys.
// The demo's phone is listed last, as the program lists it.
#include "platform/PortNameTable.h"
#include "platform/qt/QtMessagePresenter.h"
#include "ports/PortSelectDlg.h"
#include "ports/TableComPortQuery.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CQtMessagePresenter presenter;
    SetMessagePresenter(&presenter);

    CPortSelectDlg dlg;
    dlg.SetProgramPorts({"Demo phone"});
    CTableComPortQuery noPorts{CPortNameTable()};
    std::unique_ptr<CTableComPortQuery> described;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-ports") == 0) {
            dlg.SetPortQuery(&noPorts);
        } else if (std::strcmp(argv[i], "--sysfs") == 0 && i + 1 < argc) {
            described =
                std::make_unique<CTableComPortQuery>(CPortNameTable::FromSystem(), argv[++i]);
            dlg.SetPortQuery(described.get());
        } else if (std::strcmp(argv[i], "--close-after") == 0 && i + 1 < argc) {
            QTimer::singleShot(std::atoi(argv[++i]), &dlg, [&dlg] { dlg.reject(); });
        }
    }
    int nResult = IDCANCEL;
    try {
        nResult = dlg.DoModal();
    } catch (const std::string& strError) {
        std::fprintf(stderr, "%s\n", strError.c_str());
        SetMessagePresenter(nullptr);
        return 1;
    }
    std::printf("%s %s\n", nResult == IDOK ? "IDOK" : "IDCANCEL", dlg.GetPortName().c_str());
    SetMessagePresenter(nullptr);
    return 0;
}
