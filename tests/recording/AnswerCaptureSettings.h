// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the capture settings dialog once it shows, as a user would: the
// GUI tests run the Settings command with it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <string>

#include "recording/CaptureSettingsDlg.h"

namespace rectest {

struct SAnswers {
    int type = 0;
    std::string screen, wav, log;
    const char* limit = nullptr; // "Limit Capture to" checked with this value
    bool ok = true;
};

inline void AnswerCaptureSettings(const SAnswers& answers) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answers] {
        auto* dlg = qobject_cast<CCaptureSettingsDlg*>(QApplication::activeModalWidget());
        if (dlg == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        auto* type = qobject_cast<QComboBox*>(dlg->Control(IDC_CAPTURE_TYPE));
        type->setCurrentIndex(answers.type);
        emit type->activated(answers.type);
        const auto edit = [dlg](int id) { return qobject_cast<QLineEdit*>(dlg->Control(id)); };
        edit(IDC_CAPTURE_SCREEN_FILE)->setText(QString::fromStdString(answers.screen));
        edit(IDC_CAPTURE_WAV_FILE)->setText(QString::fromStdString(answers.wav));
        edit(IDC_CAPTURE_LOG_FILE)->setText(QString::fromStdString(answers.log));
        if (answers.limit != nullptr) {
            qobject_cast<QAbstractButton*>(dlg->Control(IDC_CAPTURE_LIMIT))->setChecked(true);
            edit(IDC_CAPTURE_LIMIT_VALUE)->setText(QString::fromLatin1(answers.limit));
        }
        qobject_cast<QAbstractButton*>(
            dlg->Control(answers.ok ? IDC_CAPTURE_OK : IDC_CAPTURE_CANCEL))
            ->click();
    });
    timer->start();
}

} // namespace rectest
