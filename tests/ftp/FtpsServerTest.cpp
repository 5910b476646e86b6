// FTPS against the servers hosts run (vsftpd, ProFTPD, Pure-FTPd), each demanding TLS for the
// login and for every data connection, and that data connections resume the control session.
#include <gtest/gtest.h>

#include <filesystem>

#include "SecureFtpServer.h"
#include "TempDir.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/FtpSession.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ftp {
namespace {

using test::CertKind;
using test::ReadAll;
using test::SecureFtpServer;
using test::SecureServerKind;
using test::WriteAll;
namespace fs = std::filesystem;

class FtpsSession {
 public:
  explicit FtpsSession(const std::string& caFile) { client.SetCaFile(caFile); }
  bool Open(const std::string& host) {
    host_ = host;
    return session.OpenInternet() && session.Open(host, SecureFtpServer::User(), SecureFtpServer::Password());
  }
  UploadPassResult Pass(const std::string& localDir, const std::vector<std::string>& names) {
    auto msg = [this](const std::string& m) { messages.push_back(m); };
    EnsureConnection(session, {host_, SecureFtpServer::User(), SecureFtpServer::Password(), shown},
                     [&] { return OpenInternetSession(session, {}, msg); }, msg);
    UploadPlan plan;
    plan.Kind = UploadKind::UncheckedEntries;
    for (const auto& n : names) plan.Files.push_back({localDir + "/" + n, n});
    return SendUploadPlan(session, plan);
  }

  CurlFtpClient client{CurlTimeouts{5, 5, 5}};
  std::vector<std::string> statuses, messages;
  std::string shown = "/";  // the window's remote folder field
  FtpSession session{client, FtpSessionHooks{[this](const std::string& s) { statuses.push_back(s); },
                                             [this](const std::string& m) { messages.push_back(m); },
                                             {},
                                             [this] { return shown; },
                                             {}}};

 private:
  std::string host_;
};

class FtpsServerTest : public ::testing::TestWithParam<SecureServerKind> {
 protected:
  void SetUp() override {
    if (!SecureFtpServer::Installed(GetParam())) GTEST_SKIP() << "not installed: run scripts/install-deps";
    ASSERT_TRUE(CreateFolder(root_) && CreateFolder(local_));
  }
  test::TempDir dir_;
  std::string root_ = dir_.File("root");
  std::string local_ = dir_.File("local");
  SecureFtpServer server_{GetParam(), root_, dir_.File("server")};
};

TEST_P(FtpsServerTest, OneLoginCarriesPassesOfFiftyFilesAndTheBrowsersOperations) {
  ASSERT_TRUE(server_.Start());
  FtpsSession s{server_.CaFile()};
  ASSERT_TRUE(s.Open(server_.Url())) << (s.statuses.empty() ? "" : s.statuses.back());
  EXPECT_EQ(s.statuses.back(), "<" + server_.Url() + ">へ接続しました (TLS 1.2)");

  std::vector<std::string> names;
  for (int i = 1; i <= kMaxUploadFiles; ++i) names.push_back(Format("%03d.csv", i));
  for (int pass = 0; pass < 3; ++pass) {
    for (const auto& n : names) WriteAll(local_ + "/" + n, Format("pass %d of %s\r\n", pass, n.c_str()));
    const UploadPassResult r = s.Pass(local_, names);
    ASSERT_EQ(r.Sent, kMaxUploadFiles) << pass << ": " << r.ConnectionFailure.code << " "
                                       << r.ConnectionFailure.message << (r.Refused.empty() ? "" : r.Refused[0]);
    for (const auto& n : names) ASSERT_EQ(ReadAll(root_ + "/" + n), Format("pass %d of %s\r\n", pass, n.c_str()));
  }
  ASSERT_TRUE(s.session.List());
  EXPECT_EQ(s.session.RemoteFileCount(), kMaxUploadFiles);

  // The remote browser: make a folder, enter it, rename and delete in it, leave and remove it.
  ASSERT_TRUE(s.session.CreateDirectory("速報"));
  ASSERT_TRUE(s.session.SetCurrentDirectory("速報"));
  s.shown = "/速報";
  std::string here;
  ASSERT_TRUE(s.session.GetCurrentDirectory(here));
  EXPECT_EQ(here, "/速報");
  EXPECT_EQ(s.Pass(local_, {"001.csv"}).Sent, 1);
  ASSERT_TRUE(s.session.RenameFile("001.csv", "renamed.csv"));
  ASSERT_TRUE(s.session.List());
  ASSERT_EQ(s.session.Items().size(), 1u);
  EXPECT_EQ(s.session.Items()[0].Name, "renamed.csv");
  ASSERT_TRUE(s.session.DeleteFile("renamed.csv"));
  ASSERT_TRUE(s.session.SetCurrentDirectory("/"));
  s.shown = "/";
  ASSERT_TRUE(s.session.RemoveDirectory("速報"));
  EXPECT_FALSE(fs::exists(root_ + "/速報"));

  EXPECT_EQ(s.client.LoginCount(), 1);
  if (server_.LoginCount() >= 0) {
    EXPECT_EQ(server_.LoginCount(), 1) << server_.Log();
  }
  s.session.Close();
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpsServerTest, ::testing::ValuesIn(SecureFtpServer::All()),
                         [](const auto& info) { return std::string(SecureFtpServer::Name(info.param)); });

// What a user meets when the server or its certificate is not what the host field promises:
// one clear failure, no login, nothing sent in clear.
class FtpsRefusalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SecureFtpServer::Installed(SecureServerKind::Vsftpd)) GTEST_SKIP() << "vsftpd not installed";
    ASSERT_TRUE(CreateFolder(root_));
  }
  FtpError Connect(const std::string& password = SecureFtpServer::Password()) {
    CurlFtpClient client{CurlTimeouts{5, 5, 5}};
    client.SetCaFile(server_.CaFile());
    FtpError e = client.Connect(server_.Url(), SecureFtpServer::User(), password);
    EXPECT_EQ(client.LoginCount(), 0);
    return e;
  }
  test::TempDir dir_;
  std::string root_ = dir_.File("root");
  SecureFtpServer server_{SecureServerKind::Vsftpd, root_, dir_.File("server")};
};

TEST_F(FtpsRefusalTest, EachFaultGivesItsOwnFailure) {
  ASSERT_TRUE(server_.Start(CertKind::Expired));
  FtpError e = Connect();
  EXPECT_EQ(e.code, kFtpInvalidCertificate);
  EXPECT_NE(e.message.find("expired"), std::string::npos) << e.message;

  ASSERT_TRUE(server_.Start(CertKind::OtherHost));
  e = Connect();
  EXPECT_EQ(e.code, kFtpInvalidCertificate);
  EXPECT_NE(e.message.find("127.0.0.1"), std::string::npos) << e.message;

  ASSERT_TRUE(server_.Start());
  {
    CurlFtpClient unverified{CurlTimeouts{5, 5, 5}};  // the system's store: a certificate of nobody it knows
    EXPECT_EQ(unverified.Connect(server_.Url(), SecureFtpServer::User(), SecureFtpServer::Password()).code,
              kFtpInvalidCertificate);
  }
  e = Connect("wrong");
  EXPECT_EQ(e.code, kFtpLoginFailure);
  EXPECT_NE(e.message.find("530"), std::string::npos) << e.message;
  EXPECT_EQ(server_.LoginCount(), 0);

  // A server without TLS hears AUTH and nothing after it: no user name, no password.
  ASSERT_TRUE(server_.Start(CertKind::Valid, false));
  e = Connect();
  EXPECT_EQ(e.code, kFtpSecureFailure);
  EXPECT_NE(e.message.find("TLS"), std::string::npos) << e.message;
  const std::string log = server_.Log();
  EXPECT_NE(log.find("\"AUTH TLS\""), std::string::npos) << log;
  EXPECT_EQ(log.find("\"USER "), std::string::npos) << log;
  EXPECT_EQ(log.find("\"PASS "), std::string::npos) << log;
}

}  // namespace
}  // namespace zun::ftp
