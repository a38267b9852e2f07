// Building the main window: its widgets at their designed places, the menu tree,
// the polling timer, and the load step that runs before it is first shown.
#include "ui/frm_brennic.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "design/design_font.h"
#include "design/png_picture.h"
#include "design/twips.h"
#include "ui/flex_grid.h"
#include "ui/status_bar.h"
#include "ui/up_down.h"

// The Enter button's pictures are linked in with this static library; nothing
// else would pull them into the program.
static void loadEnterPictures() {
    Q_INIT_RESOURCE(enter);
}

namespace brennic::ui {

FrmBrennic::FrmBrennic(FrmBrennicServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("frmBrennic"));
    setWindowTitle(QStringLiteral("Kappa Brennic Correction"));
    setWindowIcon(QIcon(PngPicture(QStringLiteral(":/icons/brennic.png"))));
    setFont(designFont(8.25));
    loadEnterPictures();

    createWidgets();
    createMenus();
    setTabOrder();
    createTimer();
    // The client area is 7815 by 5415 twips below the menu bar.
    const Twips t(m_services.logicalDpi);
    resize(t.px(7815), t.px(5415) + menuBar()->sizeHint().height());
    loadStep();
}

FrmBrennic::~FrmBrennic() = default;

void FrmBrennic::createWidgets() {
    const Twips t(m_services.logicalDpi);
    m_client = new QWidget(this);
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    m_label1 = new QLabel(QStringLiteral("Matrix description"), m_client);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(t.rect(120, 240, 1455, 615));
    m_label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label1->setWordWrap(true);
    m_label1->setFont(designFont(9.75, true));

    m_text1 = new QLineEdit(QStringLiteral("2"), m_client);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(t.rect(120, 960, 540, 375));
    m_text1->setToolTip(QStringLiteral("The Matrix Dimensions box"));
    // A screen reader names each control by its purpose; the heading labels the
    // size box too.
    m_text1->setAccessibleName(QStringLiteral("Number of classes"));
    m_label1->setBuddy(m_text1);
    // Only the user's own edits: the spin control writes with setText.
    connect(m_text1, &QLineEdit::textEdited, this, &FrmBrennic::noteSizeTyped);

    m_upDown1 = new UpDown(m_text1, 0, 10, m_client);
    m_upDown1->setObjectName(QStringLiteral("UpDown1"));
    m_upDown1->setGeometry(t.rect(661, 960, 195, 375));
    m_upDown1->setAccessibleName(QStringLiteral("Step the number of classes"));

    m_grid = new FlexGrid(m_client);
    m_grid->setObjectName(QStringLiteral("FlexGrid"));
    m_grid->setGeometry(t.rect(1680, 960, 6015, 3375));
    m_grid->setToolTip(QStringLiteral("The grid"));
    m_grid->setAccessibleName(QStringLiteral("Error matrix"));

    m_txtInput = new QLineEdit(m_client);
    m_txtInput->setObjectName(QStringLiteral("txtInput"));
    m_txtInput->setGeometry(t.rect(3600, 480, 3135, 375));
    m_txtInput->setToolTip(QStringLiteral("The Data Entry box"));
    m_txtInput->setAccessibleName(QStringLiteral("Count for the current cell"));
    m_txtInput->installEventFilter(this);

    QIcon bolt;
    bolt.addPixmap(PngPicture(QStringLiteral(":/pictures/enter-32.png")));
    bolt.addPixmap(PngPicture(QStringLiteral(":/pictures/enter-16.png")));
    m_cmdEnter = new QPushButton(bolt, QStringLiteral("Enter"), m_client);
    m_cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    m_cmdEnter->setGeometry(t.rect(6840, 480, 855, 375));
    m_cmdEnter->setIconSize(QSize(16, 16));
    m_cmdEnter->setEnabled(false);
    connect(m_cmdEnter, &QPushButton::clicked, this, &FrmBrennic::EnterCommand);

    m_cmdApply = new QPushButton(QStringLiteral("Apply"), m_client);
    m_cmdApply->setObjectName(QStringLiteral("cmdApply"));
    m_cmdApply->setGeometry(t.rect(120, 3840, 1455, 495));
    m_cmdApply->setToolTip(QStringLiteral("Click this button to initialize the grid"));
    connect(m_cmdApply, &QPushButton::clicked, this, &FrmBrennic::Apply);

    m_cmdDoIt = new QPushButton(QStringLiteral("Do It!"), m_client);
    m_cmdDoIt->setObjectName(QStringLiteral("cmdDoIt"));
    m_cmdDoIt->setGeometry(t.rect(6000, 4440, 1695, 495));
    m_cmdDoIt->setToolTip(
        QStringLiteral("Click this button to run the Brennic correction procedure."));
    connect(m_cmdDoIt, &QPushButton::clicked, this, &FrmBrennic::DoIt);

    for (QPushButton* button : {m_cmdEnter, m_cmdApply, m_cmdDoIt}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    m_statusBar1 = new StatusBar(m_client);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->setSimpleText(QStringLiteral("Brennic correction classification..."));
    m_statusBar1->setFocusPolicy(Qt::NoFocus);
    m_statusBar1->setAccessibleName(QStringLiteral("Status"));

    // The output box lies above every other widget and is hidden until Output view.
    m_rtfBox = new QPlainTextEdit(m_client);
    m_rtfBox->setObjectName(QStringLiteral("RTFBox"));
    m_rtfBox->setGeometry(t.rect(0, 0, 615, 375));
    m_rtfBox->setReadOnly(true);
    m_rtfBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rtfBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_rtfBox->setTabChangesFocus(true);
    m_rtfBox->setAccessibleName(QStringLiteral("Output file"));
    m_rtfBox->hide();
    m_rtfBox->raise();
}

void FrmBrennic::createMenus() {
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFileSaveAs =
        addItem(mnuFile, "mnuFileSaveAs", QStringLiteral("Save As"), &FrmBrennic::SaveAs);
    m_mnuFileExit = addItem(mnuFile, "mnuFileExit", QStringLiteral("Exit"), &FrmBrennic::Exit);

    QMenu* mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    m_mnuViewInput = addItem(mnuView, "mnuViewInput", QStringLiteral("Input Parameters"),
                             &FrmBrennic::InputView);
    m_mnuViewOutput =
        addItem(mnuView, "mnuViewOutput", QStringLiteral("Output file"), &FrmBrennic::OutputView);
    for (QAction* item : {m_mnuViewInput, m_mnuViewOutput})
        item->setCheckable(true);
    m_mnuViewInput->setChecked(true);

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    m_mnuHelpHowto = addItem(mnuHelp, "mnuHelpHowto", QStringLiteral("How-to"), &FrmBrennic::HowTo);
    m_mnuAbout = addItem(mnuHelp, "mnuAbout", QStringLiteral("About Brennic"), &FrmBrennic::About);
}

void FrmBrennic::setTabOrder() {
    const QList<QWidget*> order = {m_grid,     m_text1,    m_upDown1, m_cmdApply,
                                   m_txtInput, m_cmdEnter, m_cmdDoIt, m_rtfBox};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_grid->setFocus();
}

void FrmBrennic::createTimer() {
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    connect(m_timer1, &QTimer::timeout, this, &FrmBrennic::TimerStep);
    m_timer1->start();
}

void FrmBrennic::loadStep() {
    m_mnuViewOutput->setEnabled(false);
    m_statusBar1->setSimpleText(
        QStringLiteral("First set the matrix size...click Apply, and enter your data."));
    m_cmdDoIt->setEnabled(false);
}

void FrmBrennic::placeStatusBar() {
    // Docked along the bottom edge across the full width; nothing else moves.
    const int height = Twips(m_services.logicalDpi).px(375);
    m_statusBar1->setGeometry(0, m_client->height() - height, m_client->width(), height);
}

bool FrmBrennic::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        placeStatusBar();
    if (watched == m_txtInput && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Return commits the input box whether or not Enter is enabled; the key
        // then goes on to the box itself.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            EnterCommand();
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace brennic::ui
