// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/CaptureSettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "base/Messages.h"
#include "base/RunState.h"
#include "recording/CaptureSession.h"

namespace {

constexpr std::int32_t kSpinMin = 1;
constexpr std::int32_t kSpinMax = 59;

const char* const kTypeNames[] = {"AVI File (.avi)", "BMP File Sequence (.bmp)"};
const char* const kUnitNames[] = {"Seconds", "Minutes", "Hours"};

// The up-down arrows beside a number edit: step its value within 1..59.
QWidget* MakeSpin(QWidget* parent, QLineEdit* buddy) {
    auto* spin = new QWidget(parent);
    auto* layout = new QVBoxLayout(spin);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const int step : {1, -1}) {
        auto* button = new QToolButton(spin);
        button->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setObjectName(step > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        QObject::connect(button, &QToolButton::clicked, buddy, [buddy, step] {
            bool ok = false;
            int value = buddy->text().toInt(&ok);
            value = ok ? std::clamp(value + step, kSpinMin, kSpinMax) : kSpinMin;
            buddy->setText(QString::number(value));
        });
        layout->addWidget(button);
    }
    return spin;
}

QLineEdit* MakeNumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(48);
    return edit;
}

QComboBox* MakeList(QWidget* parent, const char* const* names, int count) {
    auto* combo = new QComboBox(parent);
    for (int i = 0; i < count; ++i)
        combo->addItem(QString::fromLatin1(names[i]));
    return combo;
}

// The sound and the log groups are alike: a check box, the file name and its
// Browse button (returned for its own handler).
QPushButton* AddFileGroup(QVBoxLayout* layout, const QString& title, const QString& label,
                          QCheckBox*& check, QLineEdit*& edit) {
    auto* group = new QGroupBox(title, layout->parentWidget());
    auto* row = new QGridLayout(group);
    check = new QCheckBox(label, group);
    edit = new QLineEdit(group);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), group);
    row->addWidget(check, 0, 0);
    row->addWidget(edit, 0, 1);
    row->addWidget(browse, 0, 2);
    layout->addWidget(group);
    return browse;
}

} // namespace

const char* const CCaptureSettingsDlg::kInfoText =
    "To create capture file sequences use a # in file name for digits with zero fill\r\n"
    "(i.e. file###.bmp = file001.bmp, file002.bmp, etc.) "
    "or new files will overwrite existing files.";
const char* const CCaptureSettingsDlg::kInitializedText =
    "Capture is initialized. To make changes, close capture and re-initialize.";

std::int64_t MakeSpan(std::int32_t value, std::int32_t unit) {
    switch (unit) {
    case 0:
        return value;
    case 1:
        return static_cast<std::int64_t>(value) * 60;
    case 2:
        return static_cast<std::int64_t>(value) * 3600;
    default:
        return 0;
    }
}

void SplitSpan(std::int64_t span, std::int32_t& value, std::int32_t& unit) {
    const auto hours = static_cast<std::int32_t>((span / 3600) % 24);
    const auto minutes = static_cast<std::int32_t>((span / 60) % 60);
    const auto seconds = static_cast<std::int32_t>(span % 60);
    if (hours != 0) {
        if (minutes == 0 && seconds == 0) {
            unit = 2;
            value = hours;
        }
    } else if (minutes != 0) {
        if (seconds == 0) {
            unit = 1;
            value = minutes;
        }
    } else if (seconds != 0) {
        unit = 0;
        value = seconds;
    }
}

CCaptureSettingsDlg::CCaptureSettingsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CaptureSettingsDlg"));
    setWindowTitle(QStringLiteral("Capture Settings"));
    auto* layout = new QVBoxLayout(this);

    m_pInfo = new QLabel(this);
    m_pInfo->setAlignment(Qt::AlignCenter);
    m_pInfo->setWordWrap(true);
    m_pInfo->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_pInfo->setMinimumHeight(36);
    layout->addWidget(m_pInfo);

    auto* screenGroup = new QGroupBox(QStringLiteral("Screen Capture Settings"), this);
    auto* screen = new QGridLayout(screenGroup);
    m_pScreen = new QCheckBox(QStringLiteral("Capture Screen to"), screenGroup);
    m_pType = MakeList(screenGroup, kTypeNames, 2);
    m_pInterval = MakeNumberEdit(screenGroup);
    QWidget* intervalSpin = MakeSpin(screenGroup, m_pInterval);
    m_pIntervalUnits = MakeList(screenGroup, kUnitNames, 3);
    auto* every = new QHBoxLayout;
    every->addWidget(new QLabel(QStringLiteral("Every"), screenGroup));
    every->addWidget(m_pInterval);
    every->addWidget(intervalSpin);
    every->addWidget(m_pIntervalUnits);
    auto* screenLabel = new QLabel(QStringLiteral("Capture File Name"), screenGroup);
    m_pScreenFile = new QLineEdit(screenGroup);
    auto* screenBrowse = new QPushButton(QStringLiteral("Browse..."), screenGroup);
    screen->addWidget(m_pScreen, 0, 0);
    screen->addWidget(m_pType, 0, 1);
    screen->addLayout(every, 0, 2);
    screen->addWidget(screenLabel, 1, 0);
    screen->addWidget(m_pScreenFile, 1, 1, 1, 2);
    screen->addWidget(screenBrowse, 1, 3);
    layout->addWidget(screenGroup);

    QPushButton* wavBrowse = AddFileGroup(layout, QStringLiteral("Audio Capture Settings"),
                                          QStringLiteral("Capture Audio to"), m_pAudio, m_pWavFile);

    auto* limitRow = new QHBoxLayout;
    m_pLimit = new QCheckBox(QStringLiteral("Limit Capture to :"), this);
    m_pLimitValue = MakeNumberEdit(this);
    QWidget* limitSpin = MakeSpin(this, m_pLimitValue);
    m_pLimitUnits = MakeList(this, kUnitNames, 3);
    limitRow->addStretch();
    limitRow->addWidget(m_pLimit);
    limitRow->addWidget(m_pLimitValue);
    limitRow->addWidget(limitSpin);
    limitRow->addWidget(m_pLimitUnits);
    limitRow->addStretch();
    layout->addLayout(limitRow);

    QPushButton* logBrowse = AddFileGroup(layout, QStringLiteral("Logging"),
                                          QStringLiteral("Capture Log File:"), m_pLog, m_pLogFile);

    auto* buttons = new QHBoxLayout;
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(m_pOk);
    buttons->addStretch();
    buttons->addWidget(m_pCancel);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_controls = {
        {IDC_CAPTURE_INFO, m_pInfo},
        {IDC_CAPTURE_SCREEN, m_pScreen},
        {IDC_CAPTURE_TYPE, m_pType},
        {IDC_CAPTURE_INTERVAL, m_pInterval},
        {IDC_CAPTURE_INTERVAL_SPIN, intervalSpin},
        {IDC_CAPTURE_INTERVAL_UNITS, m_pIntervalUnits},
        {IDC_CAPTURE_SCREEN_LABEL, screenLabel},
        {IDC_CAPTURE_SCREEN_FILE, m_pScreenFile},
        {IDC_CAPTURE_SCREEN_BROWSE, screenBrowse},
        {IDC_CAPTURE_AUDIO, m_pAudio},
        {IDC_CAPTURE_WAV_FILE, m_pWavFile},
        {IDC_CAPTURE_WAV_BROWSE, wavBrowse},
        {IDC_CAPTURE_LIMIT, m_pLimit},
        {IDC_CAPTURE_LIMIT_VALUE, m_pLimitValue},
        {IDC_CAPTURE_LIMIT_SPIN, limitSpin},
        {IDC_CAPTURE_LIMIT_UNITS, m_pLimitUnits},
        {IDC_CAPTURE_LOG, m_pLog},
        {IDC_CAPTURE_LOG_FILE, m_pLogFile},
        {IDC_CAPTURE_LOG_BROWSE, logBrowse},
        {IDC_CAPTURE_OK, m_pOk},
        {IDC_CAPTURE_CANCEL, m_pCancel},
    };
    for (const auto& [id, widget] : m_controls)
        widget->setObjectName(QStringLiteral("IDC_%1").arg(id));

    connect(m_pOk, &QPushButton::clicked, this, &CCaptureSettingsDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CCaptureSettingsDlg::reject);
    for (QLineEdit* edit : {m_pScreenFile, m_pWavFile, m_pLogFile})
        connect(edit, &QLineEdit::textChanged, this, &CCaptureSettingsDlg::ApplyCheckRule);
    for (QCheckBox* box : {m_pScreen, m_pAudio, m_pLog})
        connect(box, &QCheckBox::clicked, this, &CCaptureSettingsDlg::ApplyOkRule);
    connect(m_pType, &QComboBox::activated, this, &CCaptureSettingsDlg::OnTypeChanged);
    connect(m_pIntervalUnits, &QComboBox::activated, this,
            [this](int selection) { m_nIntervalUnits = selection; });
    connect(m_pLimitUnits, &QComboBox::activated, this,
            [this](int selection) { m_nLimitUnits = selection; });
    connect(screenBrowse, &QPushButton::clicked, this, [this] {
        if (m_pType->currentIndex() == 0)
            Browse(m_pScreenFile, QStringLiteral("avi"), QStringLiteral("AVI Files (*.avi)"));
        else
            Browse(m_pScreenFile, QStringLiteral("bmp"), QStringLiteral("BMP Files (*.bmp)"));
    });
    connect(wavBrowse, &QPushButton::clicked, this, [this] {
        Browse(m_pWavFile, QStringLiteral("wav"), QStringLiteral("WAV Files (*.wav)"));
    });
    connect(logBrowse, &QPushButton::clicked, this, [this] {
        Browse(m_pLogFile, QStringLiteral("txt"), QStringLiteral("Text Files (*.txt)"));
        m_pLog->setEnabled(true);
    });
}

QWidget* CCaptureSettingsDlg::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CCaptureSettingsDlg::InitDialog() {
    for (const auto& [id, widget] : m_controls)
        if (id != IDC_CAPTURE_CANCEL && id != IDC_CAPTURE_INFO)
            widget->setEnabled(m_bEnableControls);

    // The names go in without the rules; the check boxes then show the fields.
    m_bLoading = true;
    m_pInfo->setText(QString(m_strInfo).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    m_pScreenFile->setText(m_strScreenFile);
    m_pInterval->setText(QString::number(m_nInterval));
    m_pLimitValue->setText(QString::number(m_nLimit));
    m_pLimit->setChecked(m_bLimit);
    m_pAudio->setChecked(m_bAudio);
    m_pScreen->setChecked(m_bScreen);
    m_pWavFile->setText(m_strWavFile);
    m_pLogFile->setText(m_strLogFile);
    m_pLog->setChecked(m_bLog);
    m_bLoading = false;

    m_pType->setCurrentIndex(m_nCaptureType);
    m_pIntervalUnits->setCurrentIndex(m_nIntervalUnits);
    m_pLimitUnits->setCurrentIndex(m_nLimitUnits);
    m_nInitialType = m_nCaptureType;

    // Nothing can be confirmed before a file name is given.
    m_pOk->setEnabled(false);
    m_pScreen->setEnabled(false);
    m_pAudio->setEnabled(false);
    m_pLog->setEnabled(false);
}

int CCaptureSettingsDlg::exec() {
    InitDialog();
    return QDialog::exec();
}

void CCaptureSettingsDlg::ApplyCheckRule() {
    if (m_bLoading)
        return;
    const std::pair<QLineEdit*, QCheckBox*> pairs[] = {
        {m_pScreenFile, m_pScreen}, {m_pWavFile, m_pAudio}, {m_pLogFile, m_pLog}};
    for (const auto& [edit, box] : pairs) {
        const bool named = !edit->text().isEmpty();
        box->setEnabled(named);
        box->setChecked(named);
    }
    ApplyOkRule();
}

void CCaptureSettingsDlg::ApplyOkRule() {
    m_pOk->setEnabled(m_pAudio->isChecked() || m_pScreen->isChecked());
}

void CCaptureSettingsDlg::OnTypeChanged(int selection) {
    m_nCaptureType = selection;
    if (selection != m_nInitialType) {
        m_pScreenFile->clear();
        m_pOk->setEnabled(false);
    } else {
        m_pScreenFile->setText(m_strScreenFile);
    }
}

void CCaptureSettingsDlg::Browse(QLineEdit* edit, const QString& suffix, const QString& filter) {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilter(filter);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        edit->setText(dialog.selectedFiles().front());
}

bool CCaptureSettingsDlg::SaveValue(QLineEdit* edit, std::int32_t& value) {
    bool ok = false;
    const int read = edit->text().toInt(&ok);
    if (!ok || read < kSpinMin || read > kSpinMax) {
        ReportMessage(MESSAGE_WARNING, "Please enter an integer between %d and %d.", kSpinMin,
                      kSpinMax);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = read;
    return true;
}

void CCaptureSettingsDlg::accept() {
    if (!SaveValue(m_pInterval, m_nInterval) || !SaveValue(m_pLimitValue, m_nLimit))
        return;
    m_strScreenFile = m_pScreenFile->text();
    m_bLimit = m_pLimit->isChecked();
    m_bAudio = m_pAudio->isChecked();
    m_bScreen = m_pScreen->isChecked();
    m_strWavFile = m_pWavFile->text();
    m_strLogFile = m_pLogFile->text();
    m_bLog = m_pLog->isChecked();
    QDialog::accept();

    // The screen name carries the type's extension (case-sensitive test).
    const QString extension = m_nCaptureType == 0 ? QStringLiteral(".avi") : QStringLiteral(".bmp");
    if (!m_strScreenFile.endsWith(extension, Qt::CaseSensitive))
        m_strScreenFile += extension;
}

void CCaptureSettingsDlg::FillFromSession(CCaptureSession& session) {
    const std::int32_t flags = session.GetOpenFlags();
    m_bLog = session.IsLogOpen();
    m_strLogFile = QString::fromStdString(session.GetLogName());
    m_bScreen = (flags & kCaptureScreen) != 0;
    m_strScreenFile = QString::fromStdString(session.GetFileName(CCaptureSession::kScreen));
    SplitSpan(session.GetInterval(), m_nInterval, m_nIntervalUnits);
    m_nCaptureType = session.GetScreenKind();
    m_bAudio = (flags & kCaptureSound) != 0;
    m_strWavFile = QString::fromStdString(session.GetFileName(CCaptureSession::kAudio));
    m_bLimit = session.GetTimeLimit() != 0;
    SplitSpan(session.GetTimeLimit(), m_nLimit, m_nLimitUnits);
}

bool CCaptureSettingsDlg::RunSetup(QWidget* parent, CCaptureSession& session, bool configured,
                                   const SBitmapInfoHeader* header) {
    CCaptureSettingsDlg dialog(parent);
    if (configured) {
        dialog.FillFromSession(session);
        dialog.m_strInfo = QString::fromLatin1(kInitializedText);
        dialog.m_bEnableControls = false;
        dialog.exec();
        return true;
    }
    dialog.m_strInfo = QString::fromLatin1(kInfoText);
    dialog.m_bEnableControls = true;
    if (dialog.exec() != QDialog::Accepted)
        return false;

    if (dialog.m_bLog && !session.OpenLog(dialog.m_strLogFile.toStdString())) {
        ReportMessage(MESSAGE_ERROR, "Couldn't create capture log file %s",
                      dialog.m_strLogFile.toStdString().c_str());
        return false;
    }

    bool screenOk = false;
    if (dialog.m_bScreen) {
        session.SetInterval(MakeSpan(dialog.m_nInterval, dialog.m_nIntervalUnits));
        session.SetFileName(CCaptureSession::kScreen, dialog.m_strScreenFile.toStdString());
        session.SetFileCounter(CCaptureSession::kScreen, 0);
        screenOk = true;
        if (dialog.m_nCaptureType == kCaptureAvi) {
            const char* failure = nullptr;
            if (!session.InitScreen(header, 30, kCaptureAvi))
                failure = "Couldn't Create AVI file";
            else if (!session.ChooseCompression())
                failure = "Couldn't Create AVI Compression Options";
            else if (!session.MakeCompressedStream())
                failure = "Couldn't Create AVI Streams";
            if (failure != nullptr) {
                // The failed call has already undone the set-up and removed
                // its file.
                ReportMessage(MESSAGE_ERROR, "%s", failure);
                screenOk = false;
            }
            session.SetSizeLimit(CCaptureSession::kScreen, g_nAviSizeLimit);
        } else if (!session.InitScreen(header, 1, kCaptureBmp)) {
            ReportMessage(MESSAGE_ERROR, "Couldn't initialize BMP capture\r\n");
            screenOk = false;
        }
        g_runState.SetCaptureType(dialog.m_nCaptureType);
    }

    bool audioOk = false;
    if (dialog.m_bAudio) {
        session.SetFileName(CCaptureSession::kAudio, dialog.m_strWavFile.toStdString());
        session.SetFileCounter(CCaptureSession::kAudio, 0);
        if (!session.OpenAudio()) {
            ReportMessage(MESSAGE_ERROR, "Couldn't create WAV file");
        } else {
            session.SetSizeLimit(CCaptureSession::kAudio, g_nWavSizeLimit);
            audioOk = true;
        }
    }

    if (!audioOk && !screenOk) {
        // Nothing to record: the log and the limit must not wait for the next
        // set-up, which may ask for neither.
        session.CloseSession();
        return false;
    }
    if (dialog.m_bLimit)
        session.SetTimeLimit(MakeSpan(dialog.m_nLimit, dialog.m_nLimitUnits));
    return true;
}
