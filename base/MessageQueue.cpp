// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/MessageQueue.h"

#include <algorithm>

#include "base/DebugLog.h"

CMessageQueue::Ticket CMessageQueue::Push(int level, std::string text) {
    SMessage message{level, std::move(text)};
    {
        CMutexLock lock(m_mutex);
        const SMessage* last = !m_pending.empty() ? &m_pending.back()
                               : m_showing        ? &*m_showing
                                                  : nullptr;
        if (last != nullptr && *last == message)
            return 0;
        if (m_pending.size() < kCapacity) {
            m_pending.push_back(std::move(message));
            if (m_bDraining)
                return 0;
            m_bDraining = true;
            return ++m_nTicket;
        }
        m_nOverflowLevel = m_nOverflow == 0 ? level : std::min(m_nOverflowLevel, level);
        ++m_nOverflow;
    }
    // Not shown, but not lost: the trace keeps it and the last box counts it.
    DebugLog("Message not shown: %s\r\n", message.text.c_str());
    return 0;
}

std::optional<SMessage> CMessageQueue::Next(Ticket ticket) {
    CMutexLock lock(m_mutex);
    if (!m_bDraining || ticket != m_nTicket)
        return std::nullopt;
    if (!m_pending.empty()) {
        m_showing = std::move(m_pending.front());
        m_pending.pop_front();
    } else if (m_nOverflow > 0) {
        m_showing = SMessage{m_nOverflowLevel,
                             std::to_string(m_nOverflow) +
                                 (m_nOverflow == 1 ? " more message was" : " more messages were") +
                                 " not shown; the trace holds them."};
        m_nOverflow = 0;
    } else {
        m_showing.reset();
        m_bDraining = false;
    }
    return m_showing;
}

CMessageQueue::Ticket CMessageQueue::Abandon() {
    CMutexLock lock(m_mutex);
    ++m_nTicket;
    m_showing.reset();
    m_bDraining = !m_pending.empty() || m_nOverflow > 0;
    return m_bDraining ? m_nTicket : 0;
}
