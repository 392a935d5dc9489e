#pragma once

#include <QString>

namespace qs {

// The editor fields a pasted question is spread over; each holds the box's text.
struct ParserFields {
    QString timu, SA, SB, SC, SD, SE, SF, answer;
};

// The question-type boxes the parser consults: 单选题, 判断题, 填空题 and 应用题.
struct ParserTypeFlags {
    bool Check1 = false, Check3 = false, Check4 = false, Check5 = false;
};

// Distributes a question copied in one go (stem, options A-F, answer line) over the editor
// fields. `before` is what the boxes hold now; boxes whose markers are missing keep it. An
// empty clipboard changes nothing. Matching is literal and case-sensitive on UTF-16 code
// units; only "\r\n" counts as a line break. Runs in time linear in the input's length.
ParserFields ParsePastedQuestion(const QString& clipboard, const ParserFields& before,
                                 const ParserTypeFlags& types);

}  // namespace qs
