// The port table kept safe: a table that cannot be used is an error and is
// left as it is, nothing in its folder is followed, its lock waits no longer
// than the call may, and a closed port opens for the next user. Adapters are
// emulated printers on pseudo-terminals linked in a folder of adapter names;
// the users are made for the test.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "driver_fixture.h"
#include "link/posix/port_table.h"
#include "link/posix/serial_ports.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

namespace fs = std::filesystem;
using link::ports::ParseTable;
using link::ports::TableError;


std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The message of the TableError `call` throws; empty when it throws none.
template <typename Call>
std::string TableErrorOf(Call call) {
  try {
    call();
  } catch (const TableError& error) {
    return error.what();
  }
  return "";
}

TEST(PortTableText, RefusesWhatIsNotATableWithTheLine) {
  const struct {
    const char* text;
    const char* said;
  } refused[] = {
      {"", "the port table /t is empty"},
      {"\n \t\r\n", "the port table /t is empty"},
      {"\x7f\x45LF\x02\x01\n", "/t, line 1: not \"COM<n> <adapter name>\""},
      {"# numbers\nCOM1 a\nCOM 7 b\n", "/t, line 3: not"},
      {"COM0 a\n", "line 1: not"},
      {"COM256 a\n", "line 1: not"},
      {"COM07 a\n", "line 1: not"},
      {"COM2\n", "line 1: not"},
      {"COM2 a b\n", "line 1: not"},
      {"COM2 ../../etc/shadow\n", "line 1: not"},
      {"COM3 a\n\nCOM4 b\nCOM3 c\n", "/t, lines 1 and 4: both give COM3; keep one of them"},
      {"COM3 a\nCOM4 a\n", "/t, lines 1 and 2: both number a"},
  };
  for (const auto& table : refused) {
    const std::string said = TableErrorOf([&] { ParseTable(table.text, "/t"); });
    EXPECT_NE(said.find(table.said), std::string::npos) << table.text << " gave: " << said;
  }
}

TEST(PortTableText, ReadsNumbersBesideCommentsAndBlankLines) {
  const link::ports::Table table =
      ParseTable("# by hand\n\n  COM255 b\nCOM1\ta\n   # more\n", "/t");
  EXPECT_EQ(table, (link::ports::Table{{1, "a"}, {255, "b"}}));
  EXPECT_TRUE(ParseTable("# only a comment\n", "/t").empty());
}

// Users made for the test: one in group dialout, one outside it, run as
// with setpriv.
class TestUsers {
 public:
  static TestUsers& Get() {
    static TestUsers users;
    return users;
  }
  bool Made() const { return made_; }
  const std::string& Why() const { return why_; }
  std::string AsDialout() const { return As(dialout_); }
  std::string AsOutsider() const { return As(outsider_); }
  const std::string& Dialout() const { return dialout_; }

  ~TestUsers() {
    for (const std::string& user : {dialout_, outsider_}) {
      if (made_) Run("userdel " + user + " 2>/dev/null");
    }
  }

 private:
  TestUsers()
      : dialout_("sgtd" + std::to_string(getpid())), outsider_("sgto" + std::to_string(getpid())) {
    if (geteuid() != 0) {
      why_ = "making users needs root";
    } else if (!Run("command -v useradd setpriv >/dev/null")) {
      why_ = "needs useradd and setpriv";
    } else if (getgrnam("dialout") == nullptr) {
      why_ = "needs the group dialout";
    } else {
      made_ = Run("useradd -M -N -g nogroup -G dialout -s /usr/sbin/nologin " + dialout_) &&
              Run("useradd -M -N -g nogroup -s /usr/sbin/nologin " + outsider_);
      if (!made_) why_ = "useradd failed";
    }
  }
  static bool Run(const std::string& command) {
    // useradd waits for no one holding the user database: a few tries.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (std::system(command.c_str()) == 0) return true;
      sleep(1);
    }
    return false;
  }
  static std::string As(const std::string& user) {
    return "setpriv --reuid=" + user + " --regid=nogroup --init-groups ";
  }

  std::string dialout_, outsider_, why_;
  bool made_ = false;
};

class PortTableTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    byId_ = Dir() + "/by-id";
    tableDir_ = Dir() + "/table";
    fs::create_directory(byId_);
    fs::create_directory(tableDir_);
    table_ = tableDir_ + "/ports";
    setenv("SIGRA_SERIAL_DIR", byId_.c_str(), 1);
    setenv("SIGRA_PORTS_FILE", table_.c_str(), 1);
  }

  void TearDown() override {
    unsetenv("SIGRA_SERIAL_DIR");
    unsetenv("SIGRA_PORTS_FILE");
    printers_.clear();
    DriverTest::TearDown();
  }

  emu::Emulator& PlugIn(const std::string& name, int deviceType = 7) {
    printers_.push_back(std::make_unique<emu::Emulator>(deviceType));
    fs::create_symlink(printers_.back()->DevicePath(), byId_ + "/" + name);
    return *printers_.back();
  }

  // The number the adapter gets, built-in ports of the machine taken.
  static int NumberOf(const std::string& name) {
    for (const link::ports::Port& port : link::ports::List()) {
      if (port.adapter == name) return port.number;
    }
    return 0;
  }

  // The names in the table's folder.
  std::set<std::string> TableFolder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(tableDir_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // sigractl's output and errors, and its exit status; `as` runs it as
  // another user.
  std::pair<std::string, int> Sigractl(const std::string& args, const std::string& as = "") {
    const std::string out = Dir() + "/sigractl.out";
    const int status = std::system((as + SIGRACTL + " " + args + " >" + out + " 2>&1").c_str());
    return {ReadAll(out), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }

  // Lets users other than root reach the test's files and the printers'
  // devices, which belong to group dialout.
  void OpenToUsers() {
    ASSERT_EQ(std::system(("chmod 755 " + Dir() + " " + tableDir_).c_str()), 0);
    for (const auto& printer : printers_) {
      ASSERT_EQ(std::system(("chgrp dialout " + printer->DevicePath() + " && chmod 660 " +
                             printer->DevicePath())
                                .c_str()),
                0);
    }
  }

  std::string byId_, tableDir_, table_;
  std::vector<std::unique_ptr<emu::Emulator>> printers_;
};

// Each table is there but cannot be used: the error names the file and why,
// the adapter gets no number, the table and its folder stay as they were,
// the driver opens no port and sigractl says why.
TEST_F(PortTableTest, ATableThatCannotBeUsedIsAnErrorAndIsLeftAsItIs) {
  PlugIn(kZeta);
  const struct {
    std::string text;
    std::string reason;
  } broken[] = {
      {"", "is empty"},
      {"COM4 " + std::string(kZeta) + "\n\x01\x02garbage\xff\n", "line 2: not"},
      {"COM4 " + std::string(kZeta) + "\nCOM4 " + kAlfa + "\n", "lines 1 and 2: both give COM4"},
  };
  for (const auto& table : broken) {
    SCOPED_TRACE(table.reason);
    std::ofstream(table_, std::ios::binary | std::ios::trunc) << table.text;
    const auto before = fs::last_write_time(table_);
    const std::set<std::string> folder = TableFolder();

    const std::string said = TableErrorOf([] { link::ports::List(); });
    EXPECT_NE(said.find(table_), std::string::npos) << said;
    EXPECT_NE(said.find(table.reason), std::string::npos) << said;
    EXPECT_NE(TableErrorOf([] { link::ports::DeviceOf(4); }), "");
    EXPECT_NE(CommunicationInit(4, 9600, 1), 0);
    CommunicationEnd();
    EXPECT_NE(OpenPort(1, 9600, 1, 1), 0) << "COM1 may be a renumbered adapter";
    ClosePort();

    const auto [ports, status] = Sigractl("ports");
    EXPECT_EQ(status, 3) << ports;
    EXPECT_NE(ports.find("sigractl: the port table " + table_), std::string::npos) << ports;
    EXPECT_EQ(ports.find("COM1 "), std::string::npos) << ports;
    const auto [name, nameStatus] = Sigractl("--port COM4 name");
    EXPECT_EQ(nameStatus, 3) << name;
    EXPECT_NE(name.find("sigractl: the port table " + table_), std::string::npos) << name;

    EXPECT_EQ(ReadAll(table_), table.text);
    EXPECT_EQ(fs::last_write_time(table_), before);
    EXPECT_EQ(TableFolder(), folder);
  }
}

TEST_F(PortTableTest, ATableTheUserMayNotReadIsAnErrorForThatUser) {
  TestUsers& users = TestUsers::Get();
  if (!users.Made()) GTEST_SKIP() << users.Why();
  PlugIn(kZeta);
  const std::string text = "COM4 " + std::string(kZeta) + "\n";
  std::ofstream(table_) << text;
  fs::permissions(table_, fs::perms::owner_read | fs::perms::owner_write);
  OpenToUsers();
  const auto [said, status] = Sigractl("ports", users.AsDialout());
  EXPECT_EQ(status, 3) << said;
  EXPECT_NE(said.find("the port table " + table_ + " cannot be read: Permission denied"),
            std::string::npos)
      << said;
  const auto [name, nameStatus] = Sigractl("--port COM4 name", users.AsDialout());
  EXPECT_EQ(nameStatus, 3) << name;
  EXPECT_NE(name.find("cannot be read: Permission denied"), std::string::npos) << name;
  EXPECT_EQ(ReadAll(table_), text);
  EXPECT_EQ(TableFolder(), std::set<std::string>{"ports"});
}

TEST_F(PortTableTest, OnlyAMissingTableIsMade) {
  PlugIn(kZeta);
  ASSERT_FALSE(fs::exists(table_));
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  EXPECT_NE(ReadAll(table_).find("COM" + std::to_string(zeta) + " " + kZeta + "\n"),
            std::string::npos)
      << ReadAll(table_);
  EXPECT_EQ(fs::status(table_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::group_write | fs::perms::others_read);
}

// Links planted in the table's folder by a member of its group, where root
// numbers adapters too: none is followed, none is touched, and the file
// behind each stays as it was.
TEST_F(PortTableTest, NoLinkInTheTablesFolderIsFollowed) {
  const std::string victim = Dir() + "/victim";
  const std::string victimText = "root:secret:\n";
  const auto plant = [&](const std::string& name) {
    std::ofstream(victim, std::ios::trunc) << victimText;
    fs::create_symlink(victim, tableDir_ + "/" + name);
  };
  const auto untouched = [&](const std::string& name) {
    EXPECT_TRUE(fs::is_symlink(tableDir_ + "/" + name)) << name;
    EXPECT_EQ(fs::read_symlink(tableDir_ + "/" + name), victim) << name;
    EXPECT_EQ(ReadAll(victim), victimText) << name;
  };
  PlugIn(kZeta);

  // The temporary name the table was once written under.
  const std::string oldTemporary = "ports.new" + std::to_string(getpid());
  plant(oldTemporary);
  ASSERT_GT(NumberOf(kZeta), 0);
  untouched(oldTemporary);
  EXPECT_FALSE(fs::is_symlink(table_));
  EXPECT_NE(ReadAll(table_).find(" " + std::string(kZeta) + "\n"), std::string::npos);

  // The lock: numbering stops with an error rather than open the link.
  fs::remove(table_);
  fs::remove(tableDir_ + "/ports.lock");
  plant("ports.lock");
  const std::string said = TableErrorOf([] { link::ports::List(); });
  EXPECT_NE(said.find(tableDir_ + "/ports.lock is a symbolic link"), std::string::npos) << said;
  untouched("ports.lock");
  EXPECT_FALSE(fs::exists(table_));
  fs::remove(tableDir_ + "/ports.lock");

  // The table itself: a link is no table, and it is not replaced.
  fs::remove(victim);
  plant("ports");
  const std::string link = TableErrorOf([] { link::ports::List(); });
  EXPECT_NE(link.find(table_ + " cannot be read: it is a symbolic link"), std::string::npos)
      << link;
  untouched("ports");
  untouched(oldTemporary);
}

// Numbering by root keeps the table writable by the group it was given, and
// its lock is one only that group may open.
TEST_F(PortTableTest, TheTableAndItsLockKeepTheTablesGroup) {
  TestUsers& users = TestUsers::Get();
  if (!users.Made()) GTEST_SKIP() << users.Why();
  const gid_t dialout = getgrnam("dialout")->gr_gid;
  std::ofstream(table_) << "# numbers\n";
  ASSERT_EQ(chown(table_.c_str(), 0, dialout), 0);
  ASSERT_EQ(chmod(table_.c_str(), 0664), 0);
  PlugIn(kZeta);
  ASSERT_GT(NumberOf(kZeta), 0);
  struct stat table {
  }, lock{};
  ASSERT_EQ(lstat(table_.c_str(), &table), 0);
  ASSERT_EQ(lstat((table_ + ".lock").c_str(), &lock), 0);
  EXPECT_EQ(table.st_gid, dialout);
  EXPECT_EQ(table.st_mode & 07777, 0664u);
  EXPECT_EQ(lock.st_gid, dialout);
  EXPECT_EQ(lock.st_mode & 07777, 0660u);

  OpenToUsers();
  const std::string open = "sh -c 'exec 3<" + table_ + ".lock' 2>/dev/null";
  EXPECT_EQ(std::system((users.AsDialout() + open).c_str()), 0);
  EXPECT_NE(std::system((users.AsOutsider() + open).c_str()), 0);
}

// The machine's table as the package makes it: a member of dialout numbers
// a new adapter for everyone; a user outside the group may neither lock nor
// write the table, and numbers a new adapter for itself alone.
TEST_F(PortTableTest, AGroupMemberNumbersForEveryoneAnOutsiderForItself) {
  TestUsers& users = TestUsers::Get();
  if (!users.Made()) GTEST_SKIP() << users.Why();
  const gid_t dialout = getgrnam("dialout")->gr_gid;
  PlugIn(kZeta);
  PlugIn(kAlfa, 3);
  OpenToUsers();
  fs::remove(byId_ + "/" + kAlfa);
  ASSERT_EQ(chown(tableDir_.c_str(), 0, dialout), 0);
  ASSERT_EQ(chmod(tableDir_.c_str(), 02775), 0);
  std::ofstream(table_) << "# numbers\n";
  ASSERT_EQ(chown(table_.c_str(), 0, dialout), 0);
  ASSERT_EQ(chmod(table_.c_str(), 0664), 0);

  const auto [member, memberStatus] = Sigractl("ports", users.AsDialout());
  EXPECT_EQ(memberStatus, 0) << member;
  EXPECT_NE(member.find(" " + std::string(kZeta) + "\n"), std::string::npos) << member;
  EXPECT_NE(ReadAll(table_).find(" " + std::string(kZeta) + "\n"), std::string::npos);
  struct stat table {};
  ASSERT_EQ(lstat(table_.c_str(), &table), 0);
  EXPECT_EQ(table.st_gid, dialout);
  EXPECT_EQ(table.st_mode & 07777, 0664u);
  EXPECT_EQ(table.st_uid, getpwnam(users.Dialout().c_str())->pw_uid);

  fs::create_symlink(printers_.back()->DevicePath(), byId_ + "/" + kAlfa);
  const std::string before = ReadAll(table_);
  const auto [outsider, outsiderStatus] = Sigractl("ports", users.AsOutsider());
  EXPECT_EQ(outsiderStatus, 0) << outsider;
  EXPECT_NE(outsider.find(" " + std::string(kAlfa)), std::string::npos) << outsider;
  EXPECT_EQ(ReadAll(table_), before);
  EXPECT_EQ(TableFolder(), (std::set<std::string>{"ports", "ports.lock"}));
}

TEST_F(PortTableTest, AHeldLockEndsInTheCallsTimeout) {
  PlugIn(kZeta);
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  const int holder = open((table_ + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  PlugIn(kAlfa, 3);
  const std::string before = ReadAll(table_);

  // A port already in the table needs no lock.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link::ports::DeviceOf(zeta, std::chrono::milliseconds(300)), byId_ + "/" + kZeta);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));

  // A new adapter waits the call's time, and no longer.
  const auto waited = [](auto call) {
    const auto from = std::chrono::steady_clock::now();
    call();
    return std::chrono::steady_clock::now() - from;
  };
  std::string said;
  const auto listed = waited(
      [&] { said = TableErrorOf([] { link::ports::List(std::chrono::milliseconds(300)); }); });
  EXPECT_NE(said.find("the lock of the port table " + table_ +
                      ".lock was not taken: another program has held it for longer than 0.3 s"),
            std::string::npos)
      << said;
  EXPECT_GE(listed, std::chrono::milliseconds(300));
  EXPECT_LT(listed, std::chrono::milliseconds(1500));

  // The driver's opening waits as long as the port's time limits.
  const auto opened = waited([] { EXPECT_NE(OpenPort(200, 9600, 1, 1), 0); });
  ClosePort();
  EXPECT_GE(opened, std::chrono::milliseconds(1000));
  EXPECT_LT(opened, std::chrono::milliseconds(4000));

  const auto [ports, status] = Sigractl("--timeout 1 ports");
  EXPECT_EQ(status, 3) << ports;
  EXPECT_NE(ports.find("held it for longer than 1 s"), std::string::npos) << ports;
  // The port the table gives still opens meanwhile.
  EXPECT_EQ(Sigractl("--timeout 1 --port COM" + std::to_string(zeta) + " name").first,
            "Nowa drukarka fiskalna\n");
  EXPECT_EQ(ReadAll(table_), before);

  close(holder);
  EXPECT_GT(NumberOf(kAlfa), 0);
}

// The exclusive mode a port is opened in outlives the descriptor on a
// terminal whose other side stays open; it must end with the opening, or
// no one but root can open the port after root.
TEST_F(PortTableTest, APortClosedByRootOpensForAnotherUser) {
  TestUsers& users = TestUsers::Get();
  if (!users.Made()) GTEST_SKIP() << users.Why();
  PlugIn(kZeta);
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  OpenToUsers();
  const std::string name = "--port COM" + std::to_string(zeta) + " name";

  EXPECT_EQ(link::ports::TryOpen(zeta).error, 0);
  EXPECT_EQ(Sigractl(name, users.AsDialout()).first, "Nowa drukarka fiskalna\n");

  ASSERT_EQ(CommunicationInit(zeta, 9600, 1), 0);
  CommunicationEnd();
  EXPECT_EQ(Sigractl(name, users.AsDialout()).first, "Nowa drukarka fiskalna\n");

  const auto [ports, status] = Sigractl("ports");
  EXPECT_EQ(status, 0) << ports;
  EXPECT_EQ(Sigractl(name, users.AsDialout()).first, "Nowa drukarka fiskalna\n");

  // And the user outside the group is told about the group, not about a
  // port in use.
  const auto [outside, outsideStatus] = Sigractl(name, users.AsOutsider());
  EXPECT_EQ(outsideStatus, 3);
  EXPECT_NE(outside.find("Permission denied; the device belongs to group dialout"),
            std::string::npos)
      << outside;
}

}  // namespace
}  // namespace sigra::testing
