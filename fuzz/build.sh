#!/bin/sh
# Builds the paste-parser fuzz target (libFuzzer with AddressSanitizer and UBSan, Qt's inline
# assertions on) and seeds its corpus. Not part of the CMake build.
#
#   fuzz/build.sh [out-dir]          (default: build-fuzz beside this folder)
#   out-dir/fuzz_parser -dict=fuzz/parser.dict -max_len=4096 -timeout=10 out-dir/corpus
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$root/build-fuzz}
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -fPIC \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_FORCE_ASSERTS -DQT_NO_CAST_FROM_ASCII -DQT_NO_CAST_TO_ASCII -DQT_USE_QSTRINGBUILDER \
    -I"$root/src" $(pkg-config --cflags Qt6Core) \
    "$here/fuzz_parser.cpp" "$root/src/editor/QuestionParser.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_parser"

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
echo "built $out/fuzz_parser"
