// A presenter that records each message instead of showing it, for tests and
// headless checks. Safe to call from any thread.
#pragma once

#include "platform/MessagePresenter.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CRecordingPresenter : public IMessagePresenter {
public:
    struct Message {
        std::string strText;
        std::string strCaption;
        MessageIcon eIcon;
        std::thread::id thread;
    };

    void ShowMessage(const std::string& strText, const std::string& strCaption,
                     MessageIcon eIcon) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({strText, strCaption, eIcon, std::this_thread::get_id()});
    }
    bool AskYesNo(const std::string& strText, const std::string& strCaption) override {
        ShowMessage(strText, strCaption, MessageIcon::Question);
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bAnswer;
    }

    void SetAnswer(bool bYes) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bAnswer = bYes;
    }
    std::vector<Message> Messages() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    std::size_t Count() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages.size();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    bool m_bAnswer = true;
};

// Installs a recording presenter for the lifetime of this object.
class CScopedRecordingPresenter : public CRecordingPresenter {
public:
    CScopedRecordingPresenter() { SetMessagePresenter(this); }
    ~CScopedRecordingPresenter() override { SetMessagePresenter(nullptr); }
};
