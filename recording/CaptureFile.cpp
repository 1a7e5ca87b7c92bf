// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CaptureFile.h"

#include <cstdio>

#include "base/DebugLog.h"
#include "base/Messages.h"
#include "recording/CaptureLog.h"

std::string MakeFileName(const std::string& nameTemplate, std::int32_t counter) {
    const std::size_t first = nameTemplate.find('#');
    if (first == std::string::npos)
        return nameTemplate;
    const std::size_t last = nameTemplate.rfind('#');
    const int width = static_cast<int>(last - first + 1);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*d", width, static_cast<int>(counter));
    return nameTemplate.substr(0, first) + digits + nameTemplate.substr(last + 1);
}

std::string RolloverFileName(const std::string& nameTemplate, std::int32_t counter) {
    if (nameTemplate.find('#') != std::string::npos || counter == 0)
        return MakeFileName(nameTemplate, counter);
    const std::size_t slash = nameTemplate.rfind('/');
    const std::size_t dot = nameTemplate.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::size_t at = hasExtension ? dot : nameTemplate.size();
    return nameTemplate.substr(0, at) + std::to_string(counter) + nameTemplate.substr(at);
}

CCaptureFile::CCaptureFile(CCaptureLog* log) : m_pLog(log) {}

void CCaptureFile::SetTemplate(const std::string& nameTemplate) {
    CMutexLock lock(m_mutex);
    m_strTemplate = nameTemplate;
}

std::string CCaptureFile::GetTemplate() const {
    CMutexLock lock(m_mutex);
    return m_strTemplate;
}

void CCaptureFile::SetSizeLimit(std::int32_t bytes) {
    CMutexLock lock(m_mutex);
    m_nSizeLimit = bytes;
}

void CCaptureFile::SetFileCounter(std::int32_t counter) {
    CMutexLock lock(m_mutex);
    m_nFileCounter = counter;
}

bool CCaptureFile::SetCapturing(bool start) {
    CMutexLock lock(m_mutex);
    if (!start) {
        m_bCapturing = false;
        return m_bOpen.load();
    }
    if (!m_bOpen.load())
        return false;
    m_bCapturing = true;
    m_bFailureShown = false;
    return true;
}

void CCaptureFile::Log(const std::string& text) const {
    if (m_pLog != nullptr)
        m_pLog->Line(text);
}

void CCaptureFile::LogFailure(const std::string& text) const {
    Log(text);
    DebugLog("%s\r\n", text.c_str());
}

void CCaptureFile::ShowFailure(const std::string& message) {
    if (!message.empty() && !m_bFailureShown.exchange(true))
        ReportMessage(MESSAGE_WARNING, "%s", message.c_str());
}
