// SPDX-License-Identifier: GPL-3.0-or-later
// File > Capture > Settings...: what to record (the plot to an AVI file or a
// BMP sequence every so often, the sound to WAV files), an optional time
// limit and an optional capture log. RunSetup is the whole command: the
// dialog, then the capture session's set-up with its messages. While a
// capture is set up the same dialog shows it read-only.
//
// The rules: a check box is usable (and checked) only while its file name is
// non-empty; OK only while "Capture Screen to" or "Capture Audio to" is
// checked; switching the capture type away from the one the dialog opened
// with empties the screen name, switching back restores it. Values outside
// 1 to 59 are refused on OK. User-interface thread only.
#pragma once

#include <QDialog>

#include <cstdint>
#include <map>

#include "base/BitmapInfoHeader.h"

class CCaptureSession;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Control ids of the dialog (Control(id) returns the widget).
enum : int {
    IDC_CAPTURE_INFO = 1031,
    IDC_CAPTURE_SCREEN = 1048,
    IDC_CAPTURE_TYPE = 1026,
    IDC_CAPTURE_INTERVAL = 1028,
    IDC_CAPTURE_INTERVAL_SPIN = 1024,
    IDC_CAPTURE_INTERVAL_UNITS = 1029,
    IDC_CAPTURE_SCREEN_LABEL = 1057,
    IDC_CAPTURE_SCREEN_FILE = 1011,
    IDC_CAPTURE_SCREEN_BROWSE = 1027,
    IDC_CAPTURE_AUDIO = 1049,
    IDC_CAPTURE_WAV_FILE = 1012,
    IDC_CAPTURE_WAV_BROWSE = 1030,
    IDC_CAPTURE_LIMIT = 1050,
    IDC_CAPTURE_LIMIT_VALUE = 1034,
    IDC_CAPTURE_LIMIT_SPIN = 1025,
    IDC_CAPTURE_LIMIT_UNITS = 1032,
    IDC_CAPTURE_LOG = 1054,
    IDC_CAPTURE_LOG_FILE = 1055,
    IDC_CAPTURE_LOG_BROWSE = 1056,
    IDC_CAPTURE_OK = 1,
    IDC_CAPTURE_CANCEL = 2,
};

// Seconds from a value and a unit (0 seconds, 1 minutes, 2 hours; others 0).
std::int64_t MakeSpan(std::int32_t value, std::int32_t unit);
// The value and unit of a span that has one non-zero component among its
// hours within the day, minutes and seconds; other spans (and 0) leave both
// unchanged.
void SplitSpan(std::int64_t span, std::int32_t& value, std::int32_t& unit);

class CCaptureSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCaptureSettingsDlg(QWidget* parent = nullptr);

    // The whole Settings command. configured: a capture is set up (the
    // dialog is then only shown). Returns whether a capture is set up after.
    // When every part asked for failed, the session is closed again: no
    // part, no time limit, no log (the log file keeps what it was told).
    static bool RunSetup(QWidget* parent, CCaptureSession& session, bool configured,
                         const SBitmapInfoHeader* header);

    // Loads the fields from a set-up capture session.
    void FillFromSession(CCaptureSession& session);

    // Applies the fields to the controls and the rules (what showing the
    // dialog does first); exec() calls it.
    void InitDialog();
    int exec() override;

    QWidget* Control(int id) const;

    // The dialog's data, exchanged with the controls on open and on OK.
    bool m_bEnableControls = true;
    QString m_strScreenFile;
    std::int32_t m_nInterval = 1;
    std::int32_t m_nLimit = 1;
    bool m_bLimit = false;
    bool m_bAudio = false;
    bool m_bScreen = false;
    QString m_strWavFile;
    QString m_strLogFile;
    bool m_bLog = false;
    QString m_strInfo;
    std::int32_t m_nCaptureType = 0;
    std::int32_t m_nInitialType = 0;
    std::int32_t m_nIntervalUnits = 0;
    std::int32_t m_nLimitUnits = 0;

    static const char* const kInfoText;
    static const char* const kInitializedText;

public slots:
    void accept() override;

private:
    void ApplyCheckRule();
    void ApplyOkRule();
    void OnTypeChanged(int selection);
    void Browse(QLineEdit* edit, const QString& suffix, const QString& filter);
    bool SaveValue(QLineEdit* edit, std::int32_t& value);

    std::map<int, QWidget*> m_controls;
    QLabel* m_pInfo;
    QCheckBox* m_pScreen;
    QComboBox* m_pType;
    QLineEdit* m_pInterval;
    QComboBox* m_pIntervalUnits;
    QLineEdit* m_pScreenFile;
    QCheckBox* m_pAudio;
    QLineEdit* m_pWavFile;
    QCheckBox* m_pLimit;
    QLineEdit* m_pLimitValue;
    QComboBox* m_pLimitUnits;
    QCheckBox* m_pLog;
    QLineEdit* m_pLogFile;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    bool m_bLoading = false;
};
