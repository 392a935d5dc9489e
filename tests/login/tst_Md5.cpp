#include <QTest>

#include "login/Md5.h"

using namespace qs;

class tst_Md5 : public QObject {
    Q_OBJECT
private slots:
    void digest_data();
    void digest();
};

void tst_Md5::digest_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digest");
    // ASCII: the test suite of RFC 1321.
    static const std::pair<const char*, const char*> rfc1321[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto& [text, digest] : rfc1321)
        QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(digest);
    // Lengths around the block edge (55, 56 and 64 bytes) change the word count.
    QTest::newRow("55 bytes") << QStringLiteral("a").repeated(55)
                              << "ef1772b6dff9a122358552954ad0df65";
    QTest::newRow("56 bytes") << QStringLiteral("a").repeated(56)
                              << "3b0c8ac703f828b04c6c197006d17218";
    QTest::newRow("64 bytes") << QStringLiteral("a").repeated(64)
                              << "014842d480b571495a4a0363793f7367";

    // Worked by hand from the message rules: 中 is D6 D0 in code page 936, the
    // signed value 0xFFFFD6D0 fills bytes 0 to 3 of word 0 and the end marker
    // in byte 1 changes nothing; the length counts one character (8 bits).
    QTest::newRow("one Chinese character")
        << QStringLiteral("中") << "6cba308f8d5f2b49971dbb43879a078c";
    // a, then 中 shifted by 8 (0xFFD6D000), b in byte 2, marker in byte 3:
    // word 0 = 0xFFF6D061, 24 bits long.
    QTest::newRow("Chinese between letters")
        << QStringLiteral("a中b") << "964019e416c72c2c4ec12f2932d2673d";
    QTest::newRow("mixed") << QStringLiteral("中文密码abc123")
                           << "a3eca1e93add0b4f757ad660c0fae548";
    // The character after a full block of ASCII spills into the second block.
    QTest::newRow("Chinese after 29 letters")
        << QStringLiteral("x").repeated(29) + QStringLiteral("中")
        << "c6dee47a5d99036c9a5cbd4baf751780";
    // € is the single byte 0x80, not sign-extended: the message is the bytes
    // 80 80, that is the standard MD5 of the one byte 0x80.
    QTest::newRow("euro sign") << QStringLiteral("€") << "8d39dd7eef115ea6975446ef4082951f";
    // Outside code page 936: "?"; each half of a surrogate pair counts.
    QTest::newRow("Thai letter") << QStringLiteral("ก") << "d1457b72c3fb323a2671125aef3eab5d";
    QTest::newRow("emoji") << QStringLiteral("😀") << "ea03fcb8c47822bce772cf6c07d0ebbb";
}

void tst_Md5::digest() {
    QFETCH(QString, text);
    QFETCH(QString, digest);
    QCOMPARE(MD5(text, 32), digest);
    // Any other length asked for gives the middle sixteen digits.
    QCOMPARE(MD5(text, 16), digest.mid(8, 16));
    QCOMPARE(MD5(text, 0), digest.mid(8, 16));
}

QTEST_APPLESS_MAIN(tst_Md5)
#include "tst_Md5.moc"
