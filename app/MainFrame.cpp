// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/AboutDlg.h"
#include "app/DebugDlg.h"
#include "base/StartupSettings.h"
#include "presets/TamselDoc.h"
#include "resources/Resource.h"
#include "resources/ToolbarIcons.h"
#include "view/FileDropHandler.h"
#include "view/TamselView.h"

CMainFrame* g_pMainFrame = nullptr;

namespace {
const char* const kPaneTexts[CMainFrame::kPaneCount] = {
    "Click+Drag Mouse to Adjust. Hold Ctrl or Shift to Modify.",
    "Range X.XXX KHz to X.XXX KHz",
    "",
};
} // namespace

CMainFrame::CMainFrame(CTamselDoc* doc)
    : m_debugDlg(std::make_unique<CDebugDlg>(this)), m_pDoc(doc) {
    g_pMainFrame = this;
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Vireon"));

    // Every buffer is sized from these, so they are read before the view exists.
    g_startupSettings.LoadForStartup();

    m_pView = new CTamselView(m_pDoc, this);
    setCentralWidget(m_pView);
    connect(m_pView, &CTamselView::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_pView, &CTamselView::commandStatesChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_pView, &CTamselView::windowGrowRequested, this, &CMainFrame::GrowBy);
    connect(m_pView, &CTamselView::statusTextChanged, this, &CMainFrame::SetPaneText);
    // Files dropped anywhere on the window go to the view.
    setAcceptDrops(true);
    installEventFilter(m_pView->DropHandler());
    CreateActions();
    CreateDocumentCommands();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    UpdateCommandUI();

    // Fixed outer size: whatever the toolbar, menu and status bar need around
    // a view of exactly W x P.
    layout()->activate();
    setFixedSize(sizeHint());
}

CMainFrame::~CMainFrame() {
    if (m_pView)
        m_pView->OnDestroy();
    if (g_pMainFrame == this)
        g_pMainFrame = nullptr;
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const QString& prompt,
                                const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setObjectName(QStringLiteral("ID_%1").arg(id));
    action->setData(id);
    const qsizetype nl = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
    if (nl >= 0)
        action->setToolTip(prompt.mid(nl + 1));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
    const auto ctrlAlt = [](Qt::Key key) { return QKeySequence(Qt::CTRL | Qt::ALT | key); };

    AddCommand(ID_FILE_RUN, "&Run\tCtl+R", "Start or Stop Acquisition\nRun", ctrl(Qt::Key_R));
    AddCommand(ID_CAPTURE_ENABLE, "&Enable\tCtrl+W", "Enable Capture\nEnable Capture",
               ctrl(Qt::Key_W));
    AddCommand(ID_CAPTURE_SETTINGS, "&Settings...", "Capture Settings\nCapture Settings");
    AddCommand(ID_CAPTURE_CLOSE, "Close", "Close Capture File\nClose");
    AddCommand(ID_FILE_NEW, "&New\tCtl+N", "Create a new preset\nNew", ctrl(Qt::Key_N));
    AddCommand(ID_FILE_OPEN, "&Open Preset\tCtl+O", "Open an existing preset\nOpen",
               ctrl(Qt::Key_O));
    AddCommand(ID_FILE_REVERT, "Rever&t\tCtl+T", "Revert to saved preset\nRevert", ctrl(Qt::Key_T));
    AddCommand(ID_FILE_SAVE, "&Save Preset\tCtrl+S", "Save the active preset\nSave",
               ctrl(Qt::Key_S));
    AddCommand(ID_FILE_SAVE_AS, "Save &As\tCtrl+A",
               "Save the active preset with a new name\nSave As", ctrl(Qt::Key_A));
    AddCommand(ID_APP_EXIT, "Exit\tCtl+Q", "Quit the application\nExit", ctrl(Qt::Key_Q));

    AddCommand(ID_EDIT_COPY, "&Copy\tCtrl+C",
               "Copy the selection and put it on the Clipboard\nCopy", ctrl(Qt::Key_C));
    AddCommand(ID_EDIT_PREFERENCES, "Preferences...", "Edit Startup Preferences\nPreferences");

    AddCommand(ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar");
    AddCommand(ID_VIEW_PLOT_ONLY, "Plot Only", "Plot Only\nView Plot Only");
    AddCommand(ID_VIEW_VOLUME, "Volume", "Volume\nShow Volume");
    AddCommand(ID_VIEW_PROGRAM_INFO, "Program Info", "Program Info\nShow Program Info");
    AddCommand(ID_VIEW_RUN_STATUS, "Run Status", "Run Status\nShow Run Status");
    AddCommand(ID_VIEW_MAGNITUDE_SCALE, "Magnitude Scale", "Magnitude Scale\nShow Magnitude Scale");
    AddCommand(ID_VIEW_VU_METER, "VU Meter", "VU Meter\nShow VU Meter");
    const auto ctrlShift = [](Qt::Key key) { return QKeySequence(Qt::CTRL | Qt::SHIFT | key); };
    AddCommand(ID_VIEW_DECIBEL_SCALE, "Decibel Scale\tCtrl+Shift+D",
               "Colours and heights by decibels\nDecibel Scale", ctrlShift(Qt::Key_D));
    AddCommand(ID_VIEW_LOG_FREQUENCY, "Log Frequency Axis\tCtrl+Shift+L",
               "Frequencies on a logarithmic axis\nLog Frequency Axis", ctrlShift(Qt::Key_L));

    AddCommand(ID_VIEW_ACQUIRE, "&Acquire", "Set Acquisition Parameters\nAcquisiton Parameters",
               ctrlAlt(Qt::Key_A));

    AddCommand(ID_PLOT_HISTOGRAM, "&Histogram\tCtl+Alt+H", "Historgram\nPlot Data as Histogram",
               ctrlAlt(Qt::Key_H));
    AddCommand(ID_PLOT_WATERFALL, "&Spectrogram\tCtl+Alt+S",
               "Spectrogram\nPlot Data as Spectrogram", ctrlAlt(Qt::Key_S));
    AddCommand(ID_PLOT_SURFACE, "S&urface\tCtl+Alt+U", "Surface\nPlot Data as 3D Surface",
               ctrlAlt(Qt::Key_U));
    AddCommand(ID_PLOT_BARS, "&Bars\tCtl+Alt+B", "3D Bars\nPlot 3D Bars", ctrlAlt(Qt::Key_B));
    AddCommand(ID_PLOT_METERS, "&Meters\tCtl+Alt+M", "Meters\nShow Channel Meters",
               ctrlAlt(Qt::Key_M));
    AddCommand(ID_PLOT_RESET, "Reset Plot\tCtl+Alt+Z", "Reset Plot\nReset Plot Parameters",
               ctrlAlt(Qt::Key_Z));

    AddCommand(ID_PALETTE_GRAYSCALE, "&Grayscale\tCtl+Alt+G",
               "Grayscale\nPlot using Black to White Ramp", ctrlAlt(Qt::Key_G));
    AddCommand(ID_PALETTE_RAINBOW, "&Rainbow\tCtl+Alt+R", "Rainbow\nPlot using Rainbow scale",
               ctrlAlt(Qt::Key_R));
    AddCommand(ID_PALETTE_INVERT, "&Invert", "Invert Color Palette\nInvert");
    AddCommand(ID_PALETTE_RESET, "&Reset", "Reset Color Palette\nReset Palette");
    AddCommand(ID_PLOT_BACKGROUND, "Plot Background...",
               "Plot Background Color\nSet Plot Background Color");
    AddCommand(ID_PLOT_FOREGROUND, "Plot Foreground...",
               "Plot Background Color\nSet Plot Background Color");

    AddCommand(ID_HELP_FINDER, "&Help Topics", "List Help topics\nHelp Topics");
    AddCommand(ID_CONTEXT_HELP, "Help",
               "Display help for clicked on buttons, menus and windows\nHelp");
    AddCommand(ID_APP_ABOUT, "&About Vireon...",
               "Display program information, version number and copyright\nAbout");

    // Hidden accelerators: on no menu, but live whenever the program has focus.
    QAction* debug = AddCommand(ID_DEBUG_WINDOW, "Debug", "", ctrlAlt(Qt::Key_D));
    debug->setShortcutContext(Qt::ApplicationShortcut);
    addAction(debug);
    QAction* timing = AddCommand(ID_SHOW_TIMING, "Timing", "", ctrlAlt(Qt::Key_P));
    addAction(timing);

    for (int id : {ID_PLOT_HISTOGRAM, ID_PLOT_WATERFALL, ID_PLOT_SURFACE, ID_PLOT_BARS,
                   ID_PLOT_METERS, ID_PALETTE_GRAYSCALE, ID_PALETTE_RAINBOW, ID_PALETTE_INVERT,
                   ID_VIEW_PLOT_ONLY, ID_VIEW_VOLUME, ID_VIEW_PROGRAM_INFO, ID_VIEW_RUN_STATUS,
                   ID_VIEW_MAGNITUDE_SCALE, ID_VIEW_VU_METER, ID_VIEW_STATUS_BAR, ID_FILE_RUN,
                   ID_CAPTURE_ENABLE, ID_VIEW_DECIBEL_SCALE, ID_VIEW_LOG_FREQUENCY})
        m_actions[id]->setCheckable(true);

    connect(m_actions[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
    connect(m_actions[ID_VIEW_STATUS_BAR], &QAction::triggered, this, &CMainFrame::OnViewStatusBar);
    connect(m_actions[ID_APP_ABOUT], &QAction::triggered, this, &CMainFrame::OnAppAbout);
    connect(debug, &QAction::triggered, this, &CMainFrame::OnDebugWindow);

    CTamselView* view = m_pView;
    const auto route = [this, view](int id, void (CTamselView::*handler)()) {
        connect(m_actions[id], &QAction::triggered, view, [this, view, handler] {
            (view->*handler)();
            UpdateCommandUI();
        });
    };
    route(ID_FILE_RUN, &CTamselView::OnFileRun);
    route(ID_SHOW_TIMING, &CTamselView::OnShowTiming);
    route(ID_PALETTE_GRAYSCALE, &CTamselView::OnPaletteGrayscale);
    route(ID_PALETTE_RAINBOW, &CTamselView::OnPaletteRainbow);
    route(ID_PALETTE_INVERT, &CTamselView::OnPaletteInvert);
    route(ID_PALETTE_RESET, &CTamselView::OnPaletteReset);
    route(ID_PLOT_BACKGROUND, &CTamselView::OnPlotBackground);
    route(ID_PLOT_FOREGROUND, &CTamselView::OnPlotForeground);
    route(ID_EDIT_COPY, &CTamselView::OnEditCopy);
    route(ID_CAPTURE_SETTINGS, &CTamselView::OnCaptureSettings);
    route(ID_CAPTURE_ENABLE, &CTamselView::OnCaptureEnable);
    route(ID_CAPTURE_CLOSE, &CTamselView::OnCaptureClose);

    // Plot types, panels, Reset Plot, Help.
    route(ID_PLOT_HISTOGRAM, &CTamselView::OnPlotHistogram);
    route(ID_PLOT_WATERFALL, &CTamselView::OnPlotWaterfall);
    route(ID_PLOT_SURFACE, &CTamselView::OnPlotSurface);
    route(ID_PLOT_BARS, &CTamselView::OnPlotBars);
    route(ID_PLOT_METERS, &CTamselView::OnPlotMeters);
    route(ID_VIEW_PROGRAM_INFO, &CTamselView::OnViewProgramInfo);
    route(ID_VIEW_RUN_STATUS, &CTamselView::OnViewRunStatus);
    route(ID_VIEW_MAGNITUDE_SCALE, &CTamselView::OnViewMagnitudeScale);
    route(ID_VIEW_VU_METER, &CTamselView::OnViewVuMeter);
    route(ID_VIEW_VOLUME, &CTamselView::OnViewVolume);
    route(ID_VIEW_PLOT_ONLY, &CTamselView::OnViewPlotOnly);
    route(ID_VIEW_DECIBEL_SCALE, &CTamselView::OnViewDecibelScale);
    route(ID_VIEW_LOG_FREQUENCY, &CTamselView::OnViewLogFrequency);
    route(ID_PLOT_RESET, &CTamselView::OnPlotReset);
    route(ID_HELP_FINDER, &CTamselView::OnHelpFinder);
    route(ID_CONTEXT_HELP, &CTamselView::OnHelpFinder);
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    const auto act = [this](int id) { return m_actions.at(id); };

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(act(ID_FILE_RUN));
    file->addSeparator();
    QMenu* capture = file->addMenu(QStringLiteral("C&apture"));
    capture->addAction(act(ID_CAPTURE_ENABLE));
    capture->addAction(act(ID_CAPTURE_SETTINGS));
    capture->addAction(act(ID_CAPTURE_CLOSE));
    file->addSeparator();
    file->addAction(act(ID_FILE_NEW));
    file->addAction(act(ID_FILE_OPEN));
    file->addAction(act(ID_FILE_REVERT));
    file->addSeparator();
    file->addAction(act(ID_FILE_SAVE));
    file->addAction(act(ID_FILE_SAVE_AS));
    file->addSeparator();
    m_recentPlaceholder = file->addAction(QStringLiteral("Recent File"));
    m_recentPlaceholder->setEnabled(false);
    m_recentMenuAnchor = file;
    file->addSeparator();
    file->addAction(act(ID_APP_EXIT));
    file->addSeparator();

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(act(ID_EDIT_COPY));
    edit->addSeparator();
    edit->addAction(act(ID_EDIT_PREFERENCES));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    m_actions[ID_VIEW_TOOLBAR] = nullptr; // filled by CreateToolBar
    view->addAction(act(ID_VIEW_STATUS_BAR));
    view->addSeparator();
    for (int id : {ID_VIEW_PLOT_ONLY, ID_VIEW_VOLUME, ID_VIEW_PROGRAM_INFO, ID_VIEW_RUN_STATUS,
                   ID_VIEW_MAGNITUDE_SCALE, ID_VIEW_VU_METER})
        view->addAction(act(id));
    view->addSeparator();
    view->addAction(act(ID_VIEW_DECIBEL_SCALE));
    view->addAction(act(ID_VIEW_LOG_FREQUENCY));

    bar->addAction(act(ID_VIEW_ACQUIRE));

    QMenu* plot = bar->addMenu(QStringLiteral("&Plot"));
    for (int id : {ID_PLOT_HISTOGRAM, ID_PLOT_WATERFALL, ID_PLOT_SURFACE, ID_PLOT_BARS,
                   ID_PLOT_METERS, ID_PLOT_RESET})
        plot->addAction(act(id));

    QMenu* colour = bar->addMenu(QStringLiteral("&Color"));
    QMenu* palette = colour->addMenu(QStringLiteral("&Color Palette"));
    for (int id : {ID_PALETTE_GRAYSCALE, ID_PALETTE_RAINBOW, ID_PALETTE_INVERT, ID_PALETTE_RESET})
        palette->addAction(act(id));
    colour->addSeparator();
    colour->addAction(act(ID_PLOT_BACKGROUND));
    colour->addAction(act(ID_PLOT_FOREGROUND));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(act(ID_HELP_FINDER));
    help->addSeparator();
    help->addAction(act(ID_APP_ABOUT));

    // Check marks and enabled states follow the view whenever a menu opens.
    for (QMenu* menu : {file, capture, edit, view, plot, colour, palette, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const int layoutIds[] = {ID_FILE_RUN,
                             0,
                             ID_FILE_NEW,
                             ID_FILE_OPEN,
                             ID_FILE_SAVE,
                             ID_CAPTURE_ENABLE,
                             ID_EDIT_COPY,
                             0,
                             ID_PLOT_HISTOGRAM,
                             ID_PLOT_WATERFALL,
                             ID_PLOT_SURFACE,
                             ID_PLOT_BARS,
                             ID_PLOT_METERS,
                             0,
                             ID_VIEW_PLOT_ONLY,
                             ID_PLOT_RESET,
                             0,
                             ID_VIEW_DECIBEL_SCALE,
                             ID_VIEW_LOG_FREQUENCY,
                             0,
                             ID_APP_ABOUT,
                             ID_CONTEXT_HELP};
    for (int id : layoutIds) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.at(id);
        action->setIcon(MakeToolbarIcon(id));
        m_wndToolBar->addAction(action);
    }
    QAction* toggle = m_wndToolBar->toggleViewAction();
    toggle->setText(QStringLiteral("&Toolbar"));
    toggle->setStatusTip(QStringLiteral("Show or hide the toolbar"));
    m_actions[ID_VIEW_TOOLBAR] = toggle;
    if (QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("ViewMenu")))
        view->insertAction(m_actions.at(ID_VIEW_STATUS_BAR), toggle);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = statusBar();
    m_wndStatusBar->setObjectName(QStringLiteral("StatusBar"));
    // The window has a fixed size: a grip would promise a resize it refuses.
    m_wndStatusBar->setSizeGripEnabled(false);
    for (int i = 0; i < kPaneCount; ++i) {
        m_panes[i] = new QLabel(QString::fromLatin1(kPaneTexts[i]), m_wndStatusBar);
        m_panes[i]->setObjectName(QStringLiteral("Pane%1").arg(i));
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panes[i]->setMinimumWidth(1);
    }
    m_panes[0]->setFixedWidth(kHintPaneWidth);
    m_panes[1]->setFixedWidth(kRangePaneWidth);
    // Prompts (fly-by help) replace the hint pane while shown; the range and
    // the last pane stay.
    m_wndStatusBar->addWidget(m_panes[0]);
    m_wndStatusBar->addPermanentWidget(m_panes[1]);
    m_wndStatusBar->addPermanentWidget(m_panes[2], 1);
}

void CMainFrame::SetPaneText(int pane, const QString& text) {
    if (QLabel* label = Pane(pane); label && label->text() != text)
        label->setText(text);
}

QString CMainFrame::PaneText(int pane) const {
    QLabel* label = Pane(pane);
    return label ? label->text() : QString();
}

QLabel* CMainFrame::Pane(int pane) const {
    return pane >= 0 && pane < kPaneCount ? m_panes[pane] : nullptr;
}

QAction* CMainFrame::Action(int commandId) const {
    const auto it = m_actions.find(commandId);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandUI() {
    for (const auto& [id, action] : m_actions) {
        if (!action || id == ID_VIEW_TOOLBAR)
            continue;
        bool enabled = false;
        bool checked = false;
        switch (id) {
        case ID_APP_EXIT:
        case ID_APP_ABOUT:
        case ID_DEBUG_WINDOW:
            enabled = true;
            break;
        case ID_VIEW_STATUS_BAR:
            enabled = true;
            checked = m_wndStatusBar && !m_wndStatusBar->isHidden();
            break;
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
        case ID_VIEW_ACQUIRE:
        case ID_EDIT_PREFERENCES:
            enabled = m_pDoc != nullptr;
            break;
        case ID_FILE_REVERT:
            enabled = m_pDoc != nullptr && m_pDoc->IsModified();
            break;
        default:
            // Commands the view does not know yet stay greyed.
            m_pView->GetCommandState(id, enabled, checked);
            break;
        }
        if (action->isEnabled() != enabled)
            action->setEnabled(enabled);
        if (action->isCheckable() && action->isChecked() != checked)
            action->setChecked(checked);
    }
}

void CMainFrame::SetRecentFiles(const QStringList& files) {
    for (QAction* action : m_recentActions) {
        m_recentMenuAnchor->removeAction(action);
        // The list changes from inside an entry's own triggered signal (a file
        // that failed to open is dropped): that entry must outlive its signal.
        action->setParent(nullptr);
        action->deleteLater();
    }
    m_recentActions.clear();
    m_recentPlaceholder->setVisible(files.isEmpty());
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), this);
        action->setData(ID_FILE_MRU_FILE1 + static_cast<int>(i));
        const QString path = files[i];
        connect(action, &QAction::triggered, this, [this, path] { OnOpenRecentFile(path); });
        m_recentMenuAnchor->insertAction(m_recentPlaceholder, action);
        m_recentActions.push_back(action);
    }
}

// ---- the document's commands ----

void CMainFrame::CreateDocumentCommands() {
    const auto command = [this](int id, auto handler) {
        connect(m_actions[id], &QAction::triggered, this, [this, handler] {
            handler();
            UpdateCommandUI();
        });
    };
    command(ID_FILE_NEW, [this] { m_pDoc->FileNew(this); });
    command(ID_FILE_OPEN, [this] { m_pDoc->FileOpen(this); });
    command(ID_FILE_SAVE, [this] { m_pDoc->FileSave(this); });
    command(ID_FILE_SAVE_AS, [this] { m_pDoc->FileSaveAs(this); });
    command(ID_FILE_REVERT, [this] { m_pDoc->Revert(); });
    command(ID_VIEW_ACQUIRE, [this] { m_pView->OnViewAcquire(); });
    command(ID_EDIT_PREFERENCES, [this] { m_pView->OnEditPreferences(); });
    if (m_pDoc)
        connect(m_pDoc, &CTamselDoc::stateChanged, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::OnOpenRecentFile(const QString& path) {
    if (m_pDoc && m_pDoc->OpenDocumentFile(path, this) == CTamselDoc::EOpen::Failed)
        emit recentFileOpenFailed(path);
    UpdateCommandUI();
}

void CMainFrame::GrowBy(int dx, int dy) {
    if (dx <= 0 && dy <= 0)
        return;
    const QSize grown = size() + QSize(std::max(dx, 0), std::max(dy, 0));
    setFixedSize(grown);
}

void CMainFrame::OnDebugWindow() {
    if (m_debugDlg->IsVisible())
        m_debugDlg->Hide();
    else
        m_debugDlg->Show();
}

void CMainFrame::OnViewStatusBar() {
    m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
    UpdateCommandUI();
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A modified preset is saved, discarded or keeps the program open.
    if (!m_bClosed && m_pDoc && !m_pDoc->SaveModified(this)) {
        event->ignore();
        return;
    }
    m_debugDlg->Hide();
    if (!m_bClosed) {
        m_bClosed = true;
        m_pView->OnDestroy();
    }
    event->accept();
}
