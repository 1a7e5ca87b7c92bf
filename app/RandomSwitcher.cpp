// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RandomSwitcher.h"

#include <QAction>
#include <QMessageBox>
#include <QOpenGLWindow>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <iterator>

#include "app/MainFrame.h"
#include "app/TestProbe.h"
#include "resources/Resource.h"
#include "view/TamselView.h"

namespace {

// A command's menu text without its mnemonic and shortcut: "&Histogram\tCtl+Alt+H"
// counts as "Histogram".
QString CommandName(const QAction* action) {
    QString text = action->text();
    text = text.left(text.indexOf(QLatin1Char('\t')));
    text.remove(QLatin1Char('&'));
    return text;
}

// Display commands without a check mark, picked as often as each toggle.
// Checkable commands join the toggles by themselves; the reading, averaging,
// max-hold and freeze commands (ids 32824 to 32832) go here when they are not.
const int kPlainCommands[] = {ID_PALETTE_RESET, ID_PLOT_RESET};

// The specials after the toggles and the plain commands.
enum : int { kTurn, kPreset, kSpecials };

} // namespace

CRandomSwitcher::CRandomSwitcher(CMainFrame* frame, std::uint32_t seed, std::int32_t count,
                                 QStringList presets, Done done)
    : QObject(frame), m_pFrame(frame), m_random(seed), m_nLeft(count),
      m_presets(std::move(presets)), m_done(std::move(done)) {
    for (QAction* action : frame->findChildren<QAction*>()) {
        bool isCommand = false;
        const int id = action->data().toInt(&isCommand);
        if (isCommand && action->isCheckable() && id != ID_FILE_RUN && id != ID_CAPTURE_ENABLE)
            m_toggles.push_back(action);
    }
    // Creation order is Qt's; the id order keeps a seed's sequence the same
    // however the menus are built.
    std::sort(m_toggles.begin(), m_toggles.end(), [](const QAction* a, const QAction* b) {
        return a->data().toInt() < b->data().toInt();
    });
    m_pSurface = qobject_cast<QOpenGLWindow*>(frame->View()->Surface());
    if (m_pSurface != nullptr)
        connect(m_pSurface, &QOpenGLWindow::frameSwapped, this, &CRandomSwitcher::OnFrameSwapped);
}

void CRandomSwitcher::Start() {
    m_bStarted = true;
    PerformOne();
}

void CRandomSwitcher::OnFrameSwapped() {
    if (m_bStarted && !m_bBusy)
        PerformOne();
}

void CRandomSwitcher::PerformOne() {
    if (m_nLeft <= 0) {
        if (m_bStarted) {
            m_bStarted = false;
            if (m_done)
                m_done(m_counts);
        }
        return;
    }
    --m_nLeft;
    m_bBusy = true;
    const int specials = m_presets.isEmpty() ? kPreset : kSpecials;
    const int toggles = static_cast<int>(m_toggles.size());
    const int plain = static_cast<int>(std::size(kPlainCommands));
    std::uniform_int_distribution<int> pick(0, toggles + plain + specials - 1);
    const int choice = pick(m_random);
    const int special = choice - toggles - plain;
    if (choice < toggles + plain) {
        QAction* action = choice < toggles ? m_toggles[static_cast<std::size_t>(choice)]
                                           : m_pFrame->Action(kPlainCommands[choice - toggles]);
        ++m_counts[CommandName(action)];
        action->trigger();
    } else if (special == kTurn) {
        Turn();
    } else {
        OpenPreset();
    }
    m_bBusy = false;
    // The next command waits for a frame that shows this one; a frame that
    // does not come (the view busy elsewhere) is asked for again.
    RequestFrame();
    QTimer::singleShot(1000, this, [this, left = m_nLeft] {
        if (m_bStarted && m_nLeft == left)
            RequestFrame();
    });
}

void CRandomSwitcher::RequestFrame() {
    if (m_pSurface != nullptr)
        m_pSurface->update();
}

void CRandomSwitcher::OpenPreset() {
    std::uniform_int_distribution<qsizetype> pick(0, m_presets.size() - 1);
    const QString& path = m_presets[pick(m_random)];
    ++m_counts[QStringLiteral("preset")];
    // Asked whether to save the preset shown: No, as a user trying presets.
    CTestProbe::AnswerNextModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || box->button(QMessageBox::No) == nullptr)
            return false;
        box->button(QMessageBox::No)->click();
        return true;
    });
    m_pFrame->OnOpenRecentFile(path);
}

void CRandomSwitcher::Turn() {
    ++m_counts[QStringLiteral("turn")];
    CTamselView* view = m_pFrame->View();
    std::uniform_int_distribution<int> step(-40, 40);
    const QPoint from(view->width() / 2, view->height() / 2);
    const QPoint to = from + QPoint(step(m_random), step(m_random));
    view->OnLButtonDown(Qt::ControlModifier, from);
    view->OnMouseMove(Qt::LeftButton, Qt::ControlModifier, to);
    view->OnLButtonUp();
}
