#include "login/Form1.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "login/LoginMessages.h"
#include "login/NameFilter.h"
#include "login/SavedLogin.h"
#include "ui_Form1.h"

namespace qs {

namespace {

// Drawn for the screen's pixel ratio, so it stays sharp on a high-resolution screen.
QPixmap productLogo(qreal pixelRatio) {
    QPixmap logo(QSize(64, 64) * pixelRatio);
    logo.setDevicePixelRatio(pixelRatio);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 64));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(38);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("松"));
    return logo;
}

// A font `factor` times the size of `base`, the desktop's font.
QFont scaledFont(QFont base, qreal factor, bool bold) {
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() * factor);
    else
        base.setPixelSize(qRound(base.pixelSize() * factor));
    base.setBold(bold);
    return base;
}

}  // namespace

Form1::Form1(Platform& platform, const QString& programFolder, const ServerSettings& settings,
             EditorFactory editorFactory, QWidget* parent)
    : QWidget(parent),
      ui(std::make_unique<Ui::Form1>()),
      platform_(platform),
      programFolder_(programFolder),
      settings_(settings),
      editorFactory_(std::move(editorFactory)) {
    ui->setupUi(this);
    ui->Image1->setPixmap(productLogo(devicePixelRatioF()));
    // The headline grows and shrinks with the desktop's font.
    ui->Label1->setFont(scaledFont(font(), 2.2, true));
    ui->Label7->setFont(scaledFont(font(), 1.55, false));
    ui->Combo3->addItems(ServerLineEntries());
    ui->Combo3->setCurrentIndex(0);

    connect(ui->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui->Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui->Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(ui->Label9, &ClickableLabel::clicked, this, &Form1::Label9_Click);
    connect(ui->Label10, &ClickableLabel::clicked, this, &Form1::Label10_Click);
    ui->Text1->installEventFilter(this);
    ui->Text2->installEventFilter(this);
    fitToFont();

    Form_Load();
}

Form1::~Form1() = default;

QString Form1::downloadPageUrl() {
    return QStringLiteral("https://www.qingsong.invalid/download/");
}
QString Form1::shopPageUrl() {
    return QStringLiteral("https://shop.qingsong.invalid/");
}

void Form1::Form_Load() {
    state_.download1 = settings_.mainEndpoint;
    state_.download2 = settings_.mainEndpoint;
    state_.download3 = settings_.backupEndpoint;
    state_.download4 = settings_.backupEndpoint;
    state_.ser1 = state_.download1;
    state_.mdbfold = state_.ser1;
    state_.online1 = 1;

    const SavedLogin saved = ReadSavedLogin(programFolder_);
    state_.username = saved.username;
    state_.userpass = saved.userpass;
    state_.usertimu = saved.usertimu;
    // The name first: a change of the name clears the password box.
    // Text set by code leaves the caret at the start of the box.
    if (!state_.username.isEmpty()) {
        ui->Text1->setText(state_.username);
        ui->Text1->setCursorPosition(0);
    }
    if (!state_.userpass.isEmpty()) {
        ui->Text2->setText(state_.userpass);
        ui->Text2->setCursorPosition(0);
    }
    // Asked once the window is on the screen, so the question has the login behind it.
    QTimer::singleShot(0, this, &Form1::offerLocalFile);
}

// The local file is never made behind the operator's back (an empty one would
// report "no questions" and let deletions pass on one database only): at
// start the operator is asked, and told where it would go.
void Form1::offerLocalFile() {
    const QString path = QDir::toNativeSeparators(LocalFilePath(programFolder_));
    const QFileInfo file(path);
    if (file.isFile() && file.size() > 0) return;
    if (platform_.message(this, msg::CreateLocalFileQuestion(path, file.exists()),
                          msg::CreateLocalFileCaption(), Buttons::YesNo) != Answer::Yes)
        return;
    try {
        CreateDatabaseFile(path);
    } catch (const DbError& e) {
        say(msg::LocalFileNotCreated(path, e.text()));
    }
}

void Form1::fitToFont() {
    // The window was drawn for the default font; a larger desktop font needs
    // more room, including the extra lines of the wrapped busy note.
    ensurePolished();
    QSize need = sizeHint();
    if (layout()->hasHeightForWidth())
        need.setHeight(std::max(need.height(), layout()->totalHeightForWidth(need.width())));
    resize(size().expandedTo(need));
}

EditorAccess& Form1::editor() {
    if (!editor_) editor_ = editorFactory_();
    return *editor_;
}

void Form1::say(const QString& text) {
    platform_.message(this, text);
}

void Form1::setButtonsEnabled(bool enabled) {
    ui->Command1->setEnabled(enabled);
    ui->Command2->setEnabled(enabled);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    platform_.quit();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == ui->Text1 || watched == ui->Text2)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int keyAscii = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                                 ? 13
                                 : (key->text().isEmpty() ? 0 : key->text().at(0).unicode());
        if (watched == ui->Text1)
            Text1_KeyPress(keyAscii);
        else
            Text2_KeyPress(keyAscii);
    }
    return QWidget::eventFilter(watched, event);  // the key itself goes on to the box
}

void Form1::Text1_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command1_Click();
}

void Form1::Text2_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command1_Click();
}

void Form1::Text1_Change() {
    if (!ui->Text2->text().isEmpty()) ui->Text2->clear();
    const QString text = ui->Text1->text();
    const QString filtered = FilterUserName(text);
    if (filtered != text) {
        // The caret stays where the operator was typing: after what is kept
        // of the text before it.
        const int caret = int(FilterUserName(text.left(ui->Text1->cursorPosition())).size());
        ui->Text1->setText(filtered);
        ui->Text1->setCursorPosition(qMin(caret, int(filtered.size())));
    }
}

void Form1::Label9_Click() {
    say(msg::OpeningWebPage());
    platform_.openUrl(this, downloadPageUrl());
}

void Form1::Label10_Click() {
    say(msg::OpeningWebPage());
    platform_.openUrl(this, shopPageUrl());
}

}  // namespace qs
