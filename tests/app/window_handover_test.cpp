// SPDX-License-Identifier: MIT
// What a running window makes of what a second start sends.
#include "app/window_handover.h"

#include <gtest/gtest.h>

namespace tavelin::app {
namespace {

TEST(HandOver, OnlyTheWholeRequestRaisesAndAPartOfItWaits)
{
    const QByteArray request(kRaiseRequest);
    const struct {
        QByteArray received;
        Heard heard;
    } rows[] = {
        {request, Heard::Raise},
        {"", Heard::More},
        {request.left(5), Heard::More},
        {request.chopped(1), Heard::More},
        {request + "x", Heard::Refuse},          // more than one line: not the request
        {request + request, Heard::Refuse},
        {"tavelin RAISE\n", Heard::Refuse},
        {QByteArray(kRaisedAnswer), Heard::Refuse}, // the answer is no request
        {QByteArray("\0", 1), Heard::Refuse},
        {QByteArray(4096, 'x'), Heard::Refuse},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Hear(row.received), row.heard) << row.received.toStdString();
}

} // namespace
} // namespace tavelin::app
