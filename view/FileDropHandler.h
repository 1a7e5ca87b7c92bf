// SPDX-License-Identifier: GPL-3.0-or-later
// Takes files dropped onto whatever it is installed on (an event filter):
// a drag that carries a local file is accepted, and its drop hands the first
// such file to the handler once the drop itself has ended, since what the
// handler does (open a preset, switch the sound source) may ask the user
// something while the dragging program waits for the drop to finish.
//
// Installed on the main frame, which accepts drops, it sees every drop over
// the window: the view and the bars around it accept none themselves.
//
// User-interface thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;

class CFileDropHandler : public QObject {
public:
    using Handler = std::function<void(const QString& path)>;

    CFileDropHandler(Handler handler, QObject* parent);

    // The first local file the data names; empty if none.
    static QString FirstLocalFile(const QMimeData* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler m_handler;
};
