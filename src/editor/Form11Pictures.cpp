#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "editor/Form11.h"
#include "ui_Form11.h"
#include "widgets/PictureBox.h"
#include "widgets/PictureFiles.h"

namespace qs {

bool Form11::PictureBoxSaveJPG(const QImage& picture, const QString& fileName, int quality) {
    return SaveJpeg(picture, fileName, quality);
}

QString Form11::picturePath(const QString& fileName) const {
    return pictureFolder() + QLatin1Char('/') + fileName;
}

void Form11::capturePicture(const PictureSlot& slot) {
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull()) {
        // Nothing is touched: the slot keeps its picture and file.
        platform_.message(this, QStringLiteral("剪贴板中没有图片，截屏没有保存。"
                                               "请先复制或截取图片，再点【截屏】。"));
        return;
    }
    slot.image->setPicture(picture);
    const QString path = picturePath(slot.fileName);
    slot.path->setText(path);
    if (QFile::exists(path)) QFile::remove(path);
    QDir().mkpath(pictureFolder());
    if (!PictureBoxSaveJPG(slot.image->picture(), path, 75)) {
        // A ticked box without its file would submit the question without its picture.
        slot.check->setChecked(false);
        platform_.message(this, QStringLiteral("截屏图片无法保存到 ") + path +
                                    QStringLiteral(" ，这张图片没有保存。请检查 sysimg "
                                                   "文件夹是否可以写入后再点【截屏】。"));
        return;
    }
    slot.check->setChecked(true);
    ++picturesTaken_;
}

Form11::PictureSlot Form11::pictureSlot(int slot) const {
    const PictureSlot all[kPictureSlots] = {{ui_->timu2jpg, ui_->QJPG, ui_->timu2, ui_->timu1, {}},
                                            {ui_->a2jpg, ui_->AJPG, ui_->AJPG2, ui_->AJPG1, {}},
                                            {ui_->b2jpg, ui_->BJPG, ui_->BJPG2, ui_->BJPG1, {}},
                                            {ui_->c2jpg, ui_->CJPG, ui_->CJPG2, ui_->CJPG1, {}},
                                            {ui_->d2jpg, ui_->DJPG, ui_->DJPG2, ui_->DJPG1, {}},
                                            {ui_->e2jpg, ui_->EJPG, ui_->EJPG2, ui_->EJPG1, {}},
                                            {ui_->f2jpg, ui_->FJPG, ui_->FJPG2, ui_->FJPG1, {}},
                                            {ui_->why2jpg, ui_->WJPG, ui_->why2, ui_->why1, {}}};
    PictureSlot s = all[slot];
    s.fileName = PictureFileName(slot);
    return s;
}

void Form11::timu2jpg_Click() {
    capturePicture(pictureSlot(kQuestionPicture));
}
void Form11::a2jpg_Click() {
    capturePicture(pictureSlot(kPictureA));
}
void Form11::b2jpg_Click() {
    capturePicture(pictureSlot(kPictureB));
}
void Form11::c2jpg_Click() {
    capturePicture(pictureSlot(kPictureC));
}
void Form11::d2jpg_Click() {
    capturePicture(pictureSlot(kPictureD));
}
void Form11::e2jpg_Click() {
    capturePicture(pictureSlot(kPictureE));
}
void Form11::f2jpg_Click() {
    capturePicture(pictureSlot(kPictureF));
}
void Form11::why2jpg_Click() {
    capturePicture(pictureSlot(kExplanationPicture));
}

void Form11::optionPlaceholder(QLineEdit* option) {
    const int next = senum + 1;
    option->setText(QStringLiteral("如右图") + QString::number(next));
    // Held at the 16-bit limit rather than wrapping to negative numbers.
    senum = qint16(qMin(next, 32767));
}

void Form11::AJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SA);
}
void Form11::BJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SB);
}
void Form11::CJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SC);
}
void Form11::DJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SD);
}
void Form11::EJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SE);
}
void Form11::FJPG1_Click(bool checked) {
    if (checked) optionPlaceholder(ui_->SF);
}

void Form11::why1_Click(bool checked) {
    if (checked) ui_->why0->setText(QStringLiteral("备注如图") + stamp());
}

void Form11::openCopyPathTool() {
    const QString program = programFolder_ + QStringLiteral("/tool-copy_file_path.exe");
    if (!platform_.startProgram(program, {}))
        platform_.message(this, QStringLiteral("无法启动 ") + program);
}

void Form11::AJPG2_DblClick() {
    openCopyPathTool();
}
void Form11::BJPG2_DblClick() {
    openCopyPathTool();
}
void Form11::CJPG2_DblClick() {
    openCopyPathTool();
}
void Form11::DJPG2_DblClick() {
    openCopyPathTool();
}
void Form11::EJPG2_DblClick() {
    openCopyPathTool();
}
void Form11::FJPG2_DblClick() {
    openCopyPathTool();
}

}  // namespace qs
