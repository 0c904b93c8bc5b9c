// qzcall's command line and its catalogue table.
#include "catalogue.h"
#include "options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

using qzcall::Options;
using qzcall::parseOptions;
using qzcall::UsageError;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

TEST(Options, CallWithDefaultsAndArgumentsThatLookLikeOptions) {
  const Options options = parseOptions({"QZMotion", "setAngles", R"("HeadYaw")", "-0.5", "--post"});
  EXPECT_EQ(options.action, Options::Action::Call);
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 4700);
  EXPECT_EQ(options.timeoutMs, 0);
  EXPECT_EQ(options.module, "QZMotion");
  EXPECT_EQ(options.method, "setAngles");
  EXPECT_THAT(options.arguments, ElementsAre(R"("HeadYaw")", "-0.5", "--post"));
}

TEST(Options, BothOptionFormsAndTheEndOfOptions) {
  const Options options = parseOptions(
      {"--host", "10.0.0.2", "--port=9559", "--timeout", "3", "--post", "--pretty", "--", "M", "m"});
  EXPECT_EQ(options.action, Options::Action::Post);
  EXPECT_EQ(options.host, "10.0.0.2");
  EXPECT_EQ(options.port, 9559);
  EXPECT_EQ(options.timeoutMs, 3000);
  EXPECT_TRUE(options.pretty);
  EXPECT_EQ(options.module, "M");
  EXPECT_TRUE(options.arguments.empty());

  EXPECT_EQ(parseOptions({"--list"}).action, Options::Action::List);
  EXPECT_EQ(parseOptions({"--list", "QZMotion"}).module, "QZMotion");
  EXPECT_EQ(parseOptions({"--port", "1", "--help", "--bogus"}).action, Options::Action::Help);
}

TEST(Options, TheTimeoutIsSecondsWithDecimals) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0}, {"2", 2000}, {"0.5", 500}, {"0.25", 250}, {"1.001", 1001}, {"86400", 86400000}};
  for (const auto& [text, milliseconds] : cases)
    EXPECT_EQ(parseOptions({"--timeout", text, "M", "m"}).timeoutMs, milliseconds) << text;
}

TEST(Options, OnlyLocalhostIsTakenForTheLoopbackAddress) {
  EXPECT_EQ(qzcall::addressToReach("localhost"), "127.0.0.1");
  EXPECT_EQ(qzcall::addressToReach("LOCALHOST"), "127.0.0.1");
  EXPECT_EQ(qzcall::addressToReach("10.0.0.2"), "10.0.0.2");
  EXPECT_EQ(qzcall::addressToReach("nao"), "nao");  // the library appends .local. itself
  EXPECT_EQ(qzcall::addressToReach("localhost.localdomain"), "localhost.localdomain");
}

TEST(Options, WrongCommandLinesSayWhatIsWrong) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "a module and a method are needed"},
      {{"QZMotion"}, "a module and a method are needed"},
      {{"--port", "0", "M", "m"}, "--port takes a number from 1 to 65535, not '0'"},
      {{"--port", "47a", "M", "m"}, "not '47a'"},
      {{"--port", "99999999999999999999", "M", "m"}, "--port takes a number"},
      {{"--timeout", "-1", "M", "m"}, "--timeout takes seconds from 0 to 86400 (decimals allowed, as 0.5), not '-1'"},
      {{"--timeout", "0.5s", "M", "m"}, "not '0.5s'"},
      {{"--timeout", "1.", "M", "m"}, "not '1.'"},
      {{"--timeout", ".5", "M", "m"}, "not '.5'"},
      {{"--timeout", "0.0001", "M", "m"}, "not '0.0001'"},
      {{"--timeout", "86400.5", "M", "m"}, "not '86400.5'"},
      {{"--host", "", "M", "m"}, "--host needs a non-empty address"},
      {{"M", "m", "--port"}, nullptr},  // after the method: an argument, not an option
      {{"--port"}, "--port needs a value"},
      {{"--verbose", "M", "m"}, "unknown option '--verbose'"},
      {{"-x", "M", "m"}, "unknown option '-x'"},
      {{"--list", "A", "B"}, "--list takes at most one module name"},
      {{"--list", "--post", "A"}, "--list and --post do not go together"},
  };
  for (const auto& [args, message] : cases) {
    if (message == nullptr) {
      EXPECT_NO_THROW(parseOptions(args));
    } else {
      EXPECT_THAT([&] { parseOptions(args); }, ThrowsMessage<UsageError>(HasSubstr(message)))
          << message;
    }
  }
}

TEST(Catalogue, TableHoldsEveryModuleWithItsSignatureRows) {
  const qzcall::CatalogueTable& table = qzcall::catalogueTable();
  EXPECT_EQ(table.moduleCount, 45u);
  EXPECT_EQ(table.commonCount, 11u);
  ASSERT_NE(qzcall::findModule("DCM"), nullptr);
  EXPECT_EQ(qzcall::findModule("QZmotion"), nullptr);

  std::ostringstream rows;
  qzcall::printMethods(*qzcall::findModule("QZTextToSpeech"), rows);
  EXPECT_THAT(rows.str(), HasSubstr("\nsay(string stringToSay) -> void\n"));
  EXPECT_THAT(rows.str(), HasSubstr("\nwait(int id, int timeoutPeriod) -> bool\n"));

  std::ostringstream modules;
  qzcall::printModules(modules);
  EXPECT_THAT(modules.str(), HasSubstr("QZVideoDevice              VideoDeviceProxy\n"));
}

}  // namespace
