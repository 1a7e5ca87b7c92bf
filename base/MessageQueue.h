// SPDX-License-Identifier: GPL-3.0-or-later
// The messages waiting for the user, one box at a time: what arrives while a
// box is open is shown after it, in order. A message identical (level and
// text) to the one before it, still waiting or on screen, is folded into
// it. At most kCapacity wait; further ones are counted (and traced) and the
// count is shown in one last box, so a failure that repeats cannot stack
// boxes without end.
//
// One drain at a time takes the messages out: Push says when the caller
// must start one (nothing was draining), and Next hands out messages until
// the queue is empty, which ends that drain. Each drain carries a ticket;
// Abandon makes the running drain's ticket stale (its Next returns nothing)
// and hands back a fresh one when messages still wait, so a drain that was
// scheduled but will never run (its presenter replaced) holds nothing up.
//
// Threads: every member may be called from any thread; one mutex guards the
// state, held only for the copy in or out, never while a box shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "base/Mutex.h"

struct SMessage {
    int level = 0;
    std::string text;
    bool operator==(const SMessage&) const = default;
};

class CMessageQueue {
public:
    static constexpr std::size_t kCapacity = 8;
    using Ticket = std::uint64_t; // 0: none

    // Adds a message. Returns the ticket of a new drain the caller must
    // start, or 0 when a drain is running (or the message was folded).
    Ticket Push(int level, std::string text);
    // The next message of the drain with this ticket, which is on screen
    // from now until the next call. Nothing: the drain has ended (the queue
    // is empty, or the ticket is stale).
    std::optional<SMessage> Next(Ticket ticket);
    // Stales the running drain; returns the ticket of a new one to start if
    // messages are waiting, else 0.
    Ticket Abandon();

private:
    CMutex m_mutex;
    std::deque<SMessage> m_pending VIREON_GUARDED_BY(m_mutex);
    std::optional<SMessage> m_showing VIREON_GUARDED_BY(m_mutex);
    bool m_bDraining VIREON_GUARDED_BY(m_mutex) = false;
    Ticket m_nTicket VIREON_GUARDED_BY(m_mutex) = 0;
    int m_nOverflow VIREON_GUARDED_BY(m_mutex) = 0;
    int m_nOverflowLevel VIREON_GUARDED_BY(m_mutex) = 0; // the most severe one counted
};
