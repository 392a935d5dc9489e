#include <QClipboard>
#include <QGuiApplication>

#include "editor/Form11.h"
#include "question/QuestionParser.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

// The clipboard hands text over with the desktop's "\n" line breaks; the question boxes and the
// parser count only "\r\n" as a line break. Without this, every line of a copied question would
// stay inside the stem and the options.
QString WithWindowLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out.append(u'\r');
        out.append(text[i]);
    }
    return out;
}

}  // namespace

void Form11::timu_DblClick() {
    const QString clipboard = WithWindowLineBreaks(QGuiApplication::clipboard()->text());
    if (clipboard.isEmpty()) return;
    const ParserFields before{ui_->timu->text(), ui_->SA->text(),    ui_->SB->text(),
                              ui_->SC->text(),   ui_->SD->text(),    ui_->SE->text(),
                              ui_->SF->text(),   ui_->answer->text()};
    ParserTypeFlags types;
    types.Check1 = ui_->Check1->isChecked();
    types.Check3 = ui_->Check3->isChecked();
    types.Check4 = ui_->Check4->isChecked();
    types.Check5 = ui_->Check5->isChecked();
    const ParserFields after = ParsePastedQuestion(clipboard, before, types);
    ui_->timu->setText(after.timu);
    ui_->SA->setText(after.SA);
    ui_->SB->setText(after.SB);
    ui_->SC->setText(after.SC);
    ui_->SD->setText(after.SD);
    ui_->SE->setText(after.SE);
    ui_->SF->setText(after.SF);
    ui_->answer->setText(after.answer);
}

void Form11::timu_Change() {
    ColourByContent(ui_->timu, ui_->timu->text());
}

void Form11::timu1_Click(bool checked) {
    if (checked) ui_->timu->setText(QStringLiteral("题目如图") + stamp());
}

}  // namespace qs
