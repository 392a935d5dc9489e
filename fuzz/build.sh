#!/bin/sh
# Builds the fuzz targets of the paste parser and of the paper splitter (libFuzzer with
# AddressSanitizer and UBSan, Qt's inline assertions on) and seeds their corpora. Not part of the
# CMake build; needs clang (Debian package clang).
#
#   fuzz/build.sh [out-dir]          (default: build-fuzz beside this folder)
#   out-dir/fuzz_parser -dict=fuzz/parser.dict -max_len=4096 -timeout=10 out-dir/corpus
#   out-dir/fuzz_splitter -dict=fuzz/splitter.dict -max_len=4096 -timeout=10 out-dir/splitter-corpus
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$root/build-fuzz}
mkdir -p "$out/corpus" "$out/splitter-corpus"

# fuzz NAME SOURCES...: builds out-dir/NAME from fuzz/NAME.cpp and the sources.
fuzz() {
    name=$1; shift
    clang++ -std=c++20 -g -O1 -fPIC \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -DQT_FORCE_ASSERTS -DQT_NO_CAST_FROM_ASCII -DQT_NO_CAST_TO_ASCII -DQT_USE_QSTRINGBUILDER \
        -I"$root/src" $(pkg-config --cflags Qt6Core) \
        "$here/$name.cpp" "$@" \
        $(pkg-config --libs Qt6Core) -o "$out/$name"
}

fuzz fuzz_parser "$root/src/question/QuestionParser.cpp"

# Seeds: the mode byte, then the clipboard (and, after a NUL, the previous question text).
seed() { printf "$2" > "$out/corpus/$1"; }
seed single   '\001下列哪项正确？\r\nA、甲\r\nB、乙\r\nC、丙\r\nD、丁\r\n答案：C'
seed multiple '\000哪些是偶数？\r\nA．2\r\nB．3\r\nC．5\r\nD．4\r\n正确答案：DA'
seed explain  '\001甲乙哪个对？A.甲B.乙\r\n答案：B。解析：A项错误'
seed fillin   '\004中国的首都是____。'
seed truefalse '\002地球是圆的。\r\n答案：正确'
seed picture  '\000A.x B.y\000题目如图2026/12/7 14:30:05'
seed spelled  '\010题A..甲B．乙C。丙D，丁E,戊F、己G.庚\r\n参考答案：ab 笞案'
seed repeated '\040A.B.C.D.E.F.答案'

fuzz fuzz_splitter "$root/src/question/QuestionSplitter.cpp" "$root/src/question/PaperMarks.cpp" \
    "$root/src/question/QuestionImport.cpp" "$root/src/question/Question.cpp"

# Seeds: the mode byte (1: UTF-16, 6: repeated), then the paper.
paper() { printf "$2" > "$out/splitter-corpus/$1"; }
paper numbered '\000一、单选题\n1. 甲？\nA、x\nB、y\n答案：A\n2、乙\r\nA.x B.y 答案：B\r\n3．丙\n'
paper styles   '\000（1）甲\n（2）乙\n二、判断题\n第1题 丙 答案：正确\n第2题、丁\n(3)戊'
paper blanks   '\000甲\nA.1\n\n\n乙\r\n\r\n丙\r丁'
paper inner    '\0005. 说法：\n1、快\n2、慢\n6、第六\n1.5米\n2019.10.1\n15. 跳\n７．全角'
paper repeated '\006第1题 第2题\n（3）\n4.\n'
paper answers  '\0001. 问？A. 维生素B、C B.乙\n【答案】C（A、B均不符合题意）\n难度：较难\n分析：丙\n2. 答案：BD / 解析：A错误\n14. 首都是____? 答案：北京\n1. %%%%'
echo "built $out/fuzz_parser and $out/fuzz_splitter"
