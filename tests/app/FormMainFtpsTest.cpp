// The window over FTPS with the real client: an upload by hand and the cycle's passes on one login
// to each server hosts run, and the one message a certificate that fails gives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "FakePrompter.h"
#include "SecureFtpServer.h"
#include "TempDir.h"
#include "app/FormMain.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace zun {
namespace {

using test::CertKind;
using test::ReadAll;
using test::SecureFtpServer;
using test::SecureServerKind;
using test::WriteAll;

class FormMainFtpsTest : public ::testing::TestWithParam<SecureServerKind> {
 protected:
  void SetUp() override {
    if (!SecureFtpServer::Installed(GetParam())) GTEST_SKIP() << "not installed: run scripts/install-deps";
    mkdir(dir.File("bin").c_str(), 0777);
    ASSERT_TRUE(CreateFolder(root));
  }
  FormMain& ShowAndOpen() {
    Profile ini(dir.File("bin/zuntexteditor.INI"));
    ini.WriteString("Params", "FtpCaFile", server.CaFile());
    EXPECT_EQ(ini.Save(), SaveResult::Ok);
    WriteAll(race, "1,1,123,1,1000000,1000000,90000000\n1,1,124,1,1100000,1100000,90100000\n");
    FormMainOptions options{dir.File("bin/zuntexteditor"), {}, dir.Path(), [] {
                              return std::make_unique<ftp::CurlFtpClient>(ftp::CurlTimeouts{5, 5, 5});
                            }};
    form = std::make_unique<FormMain>(prompter, std::move(options));
    form->FormShow();
    prompter.files.push_back(race);
    form->ActionOpenZunTextExecute();
    form->EHost.text = server.Url();
    form->EUserId.text = SecureFtpServer::User();
    form->EPassword.text = SecureFtpServer::Password();
    form->EHostChange();
    return *form;
  }

  test::TempDir dir;
  std::string root = dir.File("root");
  std::string race = dir.File("zuntext.txt");
  SecureFtpServer server{GetParam(), root, dir.File("server")};
  test::FakePrompter prompter;
  std::unique_ptr<FormMain> form;
};

TEST_P(FormMainFtpsTest, AnUploadByHandThenTheCyclesPassesOnOneLogin) {
  ASSERT_TRUE(server.Start());
  FormMain& f = ShowAndOpen();
  f.ActionPutCleanTextExecute();
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected) << (prompter.messages.empty() ? "" : prompter.messages.back());
  f.ActionUploadExecute();
  ASSERT_TRUE(f.UploadedOnce) << (prompter.messages.empty() ? "" : prompter.messages.back());
  EXPECT_EQ(ReadAll(root + "/zuntextpure.txt"), ReadAll(f.PureTextPath));

  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
  f.CBAutoClick();
  for (int i = 0; i < 20; ++i) {
    std::ofstream(race, std::ios::app | std::ios::binary) << Format("1,2,%d,1,1500000,1500000,90500000\n", 200 + i);
    f.Timer1Timer();
  }
  EXPECT_NE(ReadAll(root + "/zuntextpure.txt").find("1,2,219,1"), std::string::npos);
  EXPECT_EQ(f.FtpClientOf().LoginCount(), 1);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

INSTANTIATE_TEST_SUITE_P(Servers, FormMainFtpsTest, ::testing::ValuesIn(SecureFtpServer::All()),
                         [](const auto& info) { return std::string(SecureFtpServer::Name(info.param)); });

class FormMainFtpsRefusalTest : public FormMainFtpsTest {};

TEST_P(FormMainFtpsRefusalTest, AnExpiredCertificateIsOneMessageAndNoConnection) {
  ASSERT_TRUE(server.Start(CertKind::Expired));
  FormMain& f = ShowAndOpen();
  f.ActionConnectHostExecute();
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(f.TBConnect.enabled);
  ASSERT_EQ(prompter.messages.size(), 2u);
  EXPECT_EQ(prompter.messages[0].rfind("ｻｰﾊﾞｰ証明書を確認できません: ", 0), 0u) << prompter.messages[0];
  EXPECT_NE(prompter.messages[0].find("expired"), std::string::npos) << prompter.messages[0];
  EXPECT_EQ(prompter.messages[1], ftp::kHostOpenFailed);
  EXPECT_EQ(server.LoginCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Vsftpd, FormMainFtpsRefusalTest, ::testing::Values(SecureServerKind::Vsftpd),
                         [](const auto& info) { return std::string(SecureFtpServer::Name(info.param)); });

}  // namespace
}  // namespace zun
