#include "editor/Form11.h"

#include <QCloseEvent>
#include <QDir>
#include <QMouseEvent>
#include <QShortcut>
#include <limits>

#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {
const QString kBankPrompt = QStringLiteral("请您选择题库");
}

Form11::Form11(LoginState& login, Platform& platform, const QString& programFolder,
               const ServerSettings& settings, std::function<void(QWidget*)> openSyncWindow,
               QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::Form11>()),
      login_(login),
      platform_(platform),
      programFolder_(programFolder),
      settings_(settings),
      openSyncWindow_(std::move(openSyncWindow)) {
    ui_->setupUi(this);
    // Typed bank names and endpoints stay as typed: an inline completion would silently turn a
    // new bank "会计" into the listed "会计基础" and file the question there.
    ui_->Combo1->setCompleter(nullptr);
    ui_->Combo3->setCompleter(nullptr);
    ui_->why0->setText(QStringLiteral("--\r\n"));
    // A text box would cut what is typed or pasted at 32,767 characters and the
    // question would be stored shortened; the columns take any length.
    for (QLineEdit* e : {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF, ui_->answer,
                         ui_->nandu, ui_->adder})
        e->setMaxLength(std::numeric_limits<int>::max());
    ui_->Combo1->setEditText(kBankPrompt);
    // The boxes start in the colour of what they hold, as after a change.
    ColourByContent(ui_->timu, ui_->timu->text());
    ColourByContent(ui_->answer, ui_->answer->text());
    ColourByContent(ui_->nandu, ui_->nandu->text());
    for (QLineEdit* e : {ui_->SA, ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF})
        ColourByContent(e, e->text());
    connectControls();
    Form_Load();
}

Form11::~Form11() {
    if (editing_) QDir(pictureFolder()).removeRecursively();
}

void Form11::connectControls() {
    using L = ClickableLabel;
    connect(ui_->Command1, &QPushButton::clicked, this, &Form11::Command1_Click);
    connect(ui_->Command2, &QPushButton::clicked, this, &Form11::Command2_Click);
    connect(ui_->Command3, &QPushButton::clicked, this, &Form11::Command3_Click);
    connect(ui_->Command4, &QPushButton::clicked, this, &Form11::Command4_Click);
    connect(ui_->Command5, &QPushButton::clicked, this, &Form11::Command5_Click);
    connect(ui_->Label32, &L::clicked, this, &Form11::Label32_Click);
    connect(ui_->Label33, &L::clicked, this, &Form11::Label33_Click);
    connect(ui_->Command6, &QPushButton::clicked, this, &Form11::Command6_Click);
    // Ctrl+Enter anywhere in the window is a click on "提交" (none while the button is disabled).
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, ui_->Command1,
                &QPushButton::click);

    connect(ui_->Label4, &L::clicked, this, &Form11::Label4_Click);
    connect(ui_->top1, &L::clicked, this, &Form11::top1_Click);
    connect(ui_->Label31, &L::clicked, this, &Form11::Label31_Click);

    connect(ui_->Check1, &QCheckBox::toggled, this, &Form11::Check1_Click);
    connect(ui_->Check2, &QCheckBox::toggled, this, &Form11::Check2_Click);
    connect(ui_->Check3, &QCheckBox::toggled, this, &Form11::Check3_Click);
    connect(ui_->Check4, &QCheckBox::toggled, this, &Form11::Check4_Click);
    connect(ui_->Check5, &QCheckBox::toggled, this, &Form11::Check5_Click);

    connect(ui_->Label6, &L::clicked, this, &Form11::Label6_Click);
    connect(ui_->Label8, &L::clicked, this, &Form11::Label8_Click);
    connect(ui_->Label10, &L::clicked, this, &Form11::Label10_Click);
    connect(ui_->Label12, &L::clicked, this, &Form11::Label12_Click);
    connect(ui_->Label14, &L::clicked, this, &Form11::Label14_Click);
    connect(ui_->Label16, &L::clicked, this, &Form11::Label16_Click);
    connect(ui_->Label18, &L::clicked, this, &Form11::Label18_Click);
    connect(ui_->Label19, &L::clicked, this, &Form11::Label19_Click);
    connect(ui_->Label20, &L::clicked, this, &Form11::Label20_Click);
    connect(ui_->Label21, &L::clicked, this, &Form11::Label21_Click);
    connect(ui_->Label22, &L::clicked, this, &Form11::Label22_Click);
    connect(ui_->Label23, &L::clicked, this, &Form11::Label23_Click);
    connect(ui_->Label24, &L::clicked, this, &Form11::Label24_Click);
    connect(ui_->Label25, &L::clicked, this, &Form11::Label25_Click);
    connect(ui_->Label29, &L::clicked, this, &Form11::Label29_Click);
    connect(ui_->Label30, &L::clicked, this, &Form11::Label30_Click);

    connect(ui_->answer, &QLineEdit::textChanged, this, &Form11::answer_Change);
    connect(ui_->timu, &QPlainTextEdit::textChanged, this, &Form11::timu_Change);
    connect(ui_->SA, &QLineEdit::textChanged, this, &Form11::SA_Change);
    connect(ui_->SB, &QLineEdit::textChanged, this, &Form11::SB_Change);
    connect(ui_->SC, &QLineEdit::textChanged, this, &Form11::SC_Change);
    connect(ui_->SD, &QLineEdit::textChanged, this, &Form11::SD_Change);
    connect(ui_->SE, &QLineEdit::textChanged, this, &Form11::SE_Change);
    connect(ui_->SF, &QLineEdit::textChanged, this, &Form11::SF_Change);
    connect(ui_->nandu, &QLineEdit::textChanged, this, &Form11::nandu_Change);

    connect(ui_->timu1, &QCheckBox::toggled, this, &Form11::timu1_Click);
    connect(ui_->why1, &QCheckBox::toggled, this, &Form11::why1_Click);
    connect(ui_->AJPG1, &QCheckBox::toggled, this, &Form11::AJPG1_Click);
    connect(ui_->BJPG1, &QCheckBox::toggled, this, &Form11::BJPG1_Click);
    connect(ui_->CJPG1, &QCheckBox::toggled, this, &Form11::CJPG1_Click);
    connect(ui_->DJPG1, &QCheckBox::toggled, this, &Form11::DJPG1_Click);
    connect(ui_->EJPG1, &QCheckBox::toggled, this, &Form11::EJPG1_Click);
    connect(ui_->FJPG1, &QCheckBox::toggled, this, &Form11::FJPG1_Click);
    connect(ui_->timu2jpg, &QPushButton::clicked, this, &Form11::timu2jpg_Click);
    connect(ui_->a2jpg, &QPushButton::clicked, this, &Form11::a2jpg_Click);
    connect(ui_->b2jpg, &QPushButton::clicked, this, &Form11::b2jpg_Click);
    connect(ui_->c2jpg, &QPushButton::clicked, this, &Form11::c2jpg_Click);
    connect(ui_->d2jpg, &QPushButton::clicked, this, &Form11::d2jpg_Click);
    connect(ui_->e2jpg, &QPushButton::clicked, this, &Form11::e2jpg_Click);
    connect(ui_->f2jpg, &QPushButton::clicked, this, &Form11::f2jpg_Click);
    connect(ui_->why2jpg, &QPushButton::clicked, this, &Form11::why2jpg_Click);

    // Double-clicks on text boxes; a multi-line box receives them on its viewport.
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->timu->viewport(), ui_->why0->viewport(), ui_->answer, ui_->nandu, ui_->SA,
             ui_->SB, ui_->SC, ui_->SD, ui_->SE, ui_->SF, ui_->AJPG2, ui_->BJPG2, ui_->CJPG2,
             ui_->DJPG2, ui_->EJPG2, ui_->FJPG2})
        w->installEventFilter(this);
}

bool Form11::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick) return QWidget::eventFilter(watched, event);
    const std::pair<QObject*, void (Form11::*)()> handlers[] = {
        {ui_->timu->viewport(), &Form11::timu_DblClick},
        {ui_->why0->viewport(), &Form11::why0_DblClick},
        {ui_->answer, &Form11::answer_DblClick},
        {ui_->nandu, &Form11::nandu_DblClick},
        {ui_->SA, &Form11::SA_DblClick},
        {ui_->SB, &Form11::SB_DblClick},
        {ui_->SC, &Form11::SC_DblClick},
        {ui_->SD, &Form11::SD_DblClick},
        {ui_->SE, &Form11::SE_DblClick},
        {ui_->SF, &Form11::SF_DblClick},
        {ui_->AJPG2, &Form11::AJPG2_DblClick},
        {ui_->BJPG2, &Form11::BJPG2_DblClick},
        {ui_->CJPG2, &Form11::CJPG2_DblClick},
        {ui_->DJPG2, &Form11::DJPG2_DblClick},
        {ui_->EJPG2, &Form11::EJPG2_DblClick},
        {ui_->FJPG2, &Form11::FJPG2_DblClick},
    };
    for (const auto& [object, handler] : handlers) {
        if (object == watched) {
            (this->*handler)();
            // The handler replaced the text; a word selection on top would only confuse.
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form11::Form_Load() {
    download = login_.ser1;

    const QStringList lines = ServerLineEntries();
    ui_->Combo3->clear();
    ui_->Combo3->addItems(lines);
    const QString endpoints[] = {login_.download1, login_.download2, login_.download3,
                                 login_.download4};
    QString serverText = download;
    for (int i = 0; i < 4; ++i) {
        if (download == endpoints[i]) {
            serverText = lines.value(i);
            break;
        }
    }
    ui_->Combo3->setEditText(serverText);

    ui_->adder->setText(login_.username);
    why0save = QStringLiteral("【案例分析题】");
    senum = qint16(platform_.now().time().second());
    // Every submission writes both databases, whichever one lists the banks.
    ui_->Label1->setText(QStringLiteral("当前数据库：→【服务器】+【本地数据库】"));

    const bool admin = isAdministrator();
    for (QPushButton* b : {ui_->Command2, ui_->Command3, ui_->Command4}) {
        b->setVisible(admin);
        b->setEnabled(admin);
    }
    loadBankList();
}

void Form11::loadBankList() {
    const QString prompt = ui_->Combo1->currentText();
    ui_->Combo1->clear();
    const bool online = login_.online1 != 0;
    QStringList banks;
    std::optional<DbError> failure;
    int waiting = -1;
    worker_.run([&](WorkerContext& c) {
        try {
            // Read whole in one round trip: the list is short.
            Recordset rs;
            rs.openRows(
                (online ? c.server(download) : c.local(programFolder_))
                    .readAll({QStringLiteral("select * from alltype order by id desc ")})[0]);
            for (; !rs.eof(); rs.moveNext()) {
                const QString name = rs.text(QStringLiteral("mantype"));
                if (!name.isEmpty()) banks << name;
            }
        } catch (const WorkFailure& f) {
            failure = f.error();
        } catch (const DbError& e) {
            failure = e;
        }
        waiting = countWaiting(c);
    });
    // The window stays usable: a bank name can still be typed.
    if (failure)
        platform_.message(this, QStringLiteral("无法读取题库列表（错误码:") +
                                    QString::number(failure->number()) + QStringLiteral("）：") +
                                    failure->text() +
                                    QStringLiteral("\n题库列表暂时为空，可以直接输入题库名称，"
                                                   "或重新登录换一个服务器。"));
    ui_->Combo1->addItems(banks);
    ui_->Combo1->setCurrentIndex(-1);
    ui_->Combo1->setEditText(prompt.isEmpty() ? kBankPrompt : prompt);
    showWaiting(waiting);
}

void Form11::insertBank(int index, const QString& name) {
    const QString text = ui_->Combo1->currentText();
    ui_->Combo1->insertItem(index, name);
    if (ui_->Combo1->currentText() != text) ui_->Combo1->setEditText(text);
}

void Form11::setBankText(const QString& text) {
    ui_->Combo1->setEditText(text);
}

void Form11::showEditor() {
    show();
    raise();
    activateWindow();
}

void Form11::closeEvent(QCloseEvent* event) {
    if (editing_) {
        closeQuestionWindow(event);
        return;
    }
    event->accept();
    platform_.quit();
}

void Form11::Label4_Click() {
    if (!ui_->timu->text().isEmpty())
        timu0save = ui_->timu->text();
    else
        ui_->timu->setText(timu0save);
}

void Form11::top1_Click() {
    // The label's colour is the only record of the state; it starts black,
    // so the first click only turns it to the button-text colour.
    const bool makeTopmost = ForeColour(ui_->top1) == colour::kButtonText;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != makeTopmost) {
        const bool wasVisible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, makeTopmost);
        if (wasVisible) show();
    }
    SetForeColour(ui_->top1, makeTopmost ? colour::kDarkRed : colour::kButtonText);
}

void Form11::Label31_Click() {
    if (!isAdministrator()) {
        ui_->Label31->hide();
        return;
    }
    if (openSyncWindow_) openSyncWindow_(this);
}

QString Form11::stamp() const {
    return platform_.now().toString(QStringLiteral("yyyy/M/d H:mm:ss"));
}

void Form11::resetOptionLabelColours() {
    for (QLabel* l : {static_cast<QLabel*>(ui_->Label6), static_cast<QLabel*>(ui_->Label8),
                      static_cast<QLabel*>(ui_->Label10), static_cast<QLabel*>(ui_->Label12),
                      static_cast<QLabel*>(ui_->Label14), static_cast<QLabel*>(ui_->Label16)})
        SetForeColour(l, colour::kButtonText);
}

}  // namespace qs
