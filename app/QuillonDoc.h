// The document holds no data: its title is the connection state, shown in
// the main window's caption as "<title> - Morvane Lumetto". A short notice
// ("Saved <name>") may stand in the title's place for a while; the title
// kept meanwhile comes back when the notice is cleared.
#pragma once

#include <functional>
#include <string>

class CQuillonDoc {
public:
    using TitleChanged = std::function<void(const std::string&)>;

    void SetTitle(const std::string& strTitle) {
        m_strTitle = strTitle;
        Changed();
    }
    const std::string& GetTitle() const { return m_strTitle; }
    // Shows strNotice instead of the title; an empty notice shows the title again.
    void SetNotice(const std::string& strNotice) {
        m_strNotice = strNotice;
        Changed();
    }
    // What the caption shows: the notice, else the title.
    const std::string& ShownTitle() const { return m_strNotice.empty() ? m_strTitle : m_strNotice; }
    void OnTitleChanged(TitleChanged fn) { m_fnTitleChanged = std::move(fn); }

private:
    void Changed() {
        if (m_fnTitleChanged)
            m_fnTitleChanged(ShownTitle());
    }

    std::string m_strTitle;
    std::string m_strNotice;
    TitleChanged m_fnTitleChanged;
};
