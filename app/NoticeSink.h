// Short notices for the user: what was saved, copied or recorded, a
// connection being opened again. With a window they are drawn over the
// lower part of the picture for a few seconds (never into a screenshot, a
// copy or a movie); without one each is a line on standard error.
#pragma once

#include <string>

enum class NoticeKind {
    Info,  // shown about 3 seconds
    Error, // something failed: shown longer
};

class INoticeSink {
public:
    virtual ~INoticeSink() = default;
    // A newer notice replaces the one shown. UI thread only.
    virtual void ShowNotice(const std::string& strText, NoticeKind eKind = NoticeKind::Info) = 0;
};
