// SPDX-License-Identifier: MIT
// The manual window's transfers where POSIX lets a test stand a file-size
// limit in for a full disk.
#include "manual_transfers_fixture.h"
#include "support/file_size_limit.h"

namespace tavelin::modes {
namespace {

using namespace manual_test;

// An upload that does not fit, or fits only as the temporary file, fails
// with the reason and leaves the PC's file as it was.
TEST_F(ManualTransfersTest, AnUploadThatDoesNotFitSaysWhyAndKeepsThePcFile)
{
    PutOnHht(1, "BIG.DAT", 3000);
    ConnectAndList();
    transferView.boxes.clear();
    window.selectedHht = {"BIG.DAT"};
    {
        testing::FileSizeLimit full(1000); // the received data does not fit
        session.CopyClicked();
    }
    EXPECT_EQ(transferView.boxes, std::vector<std::string>{"アップロードに失敗しました\r\nファイルＩ／Ｏエラー"});
    EXPECT_FALSE(work.Has("pc/BIG.DAT"));

    transferView.boxes.clear();
    OnPc("BIG.DAT", std::string(2000, 'o'));
    transferView.answers = {2};
    {
        testing::FileSizeLimit full(4000); // fits as a temporary file, not appended
        session.CopyClicked();
    }
    EXPECT_EQ(transferView.boxes,
              std::vector<std::string>{"アップロードに失敗しました\r\nＴＭＰファイルからの変更に失敗しました"});
    EXPECT_EQ(work.Get("pc/BIG.DAT"), std::string(2000, 'o'));
}

} // namespace
} // namespace tavelin::modes
