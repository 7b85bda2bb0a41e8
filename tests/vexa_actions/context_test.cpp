#include "platform/actions/context.hpp"

#include <gtest/gtest.h>

using namespace vexa_actions;

TEST(HumanizeIdentifier, SplitsWordsAndKeepsAcronyms) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"UpsertConnection", "Upsert connection"},
      {"TrustSshHostKey", "Trust ssh host key"},
      {"ShowConnections", "Show connections"},
      {"send_text", "Send text"},
      {"forget-host-key", "Forget host key"},
      {"remote.session", "Remote session"},
      {"HTTPProxy", "HTTP proxy"},
      {"SSH", "SSH"},
      {"x", "X"},
      {"__a__b", "A b"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(context::humanize_identifier(c.in), c.out) << c.in;
}

TEST(Summarize, UsesTheSingleVariantNameOrFallsBack) {
  EXPECT_EQ(context::summarize(Json{{"RenameConnection", {{"id", "x"}}}}), "Rename connection");
  EXPECT_EQ(context::summarize(Json("ShowConnections")), "Show connections");
  EXPECT_EQ(context::summarize(Json{{"A", 1}, {"B", 2}}), "Update");
  EXPECT_EQ(context::summarize(Json::object()), "Update");
  EXPECT_EQ(context::summarize(Json(7)), "Update");
  EXPECT_EQ(context::summarize(Json("")), "Update");
  EXPECT_EQ(context::summarize(Json::array({"SetFavorite"})), "Update");
}

TEST(ActionContext, EnrichedByKeepsSourceAndNameAndSetsSummary) {
  ActionContext base{"org.example.remote", "Remote", "stale"};
  EncodedAction action{"remote.action", Json{{"DeleteConnection", {{"id", "x"}}}}, std::nullopt};
  ActionContext ctx = base.enriched_by(action);
  EXPECT_EQ(ctx.source, "org.example.remote");
  EXPECT_EQ(ctx.display_name, "Remote");
  EXPECT_EQ(ctx.summary, "Delete connection");
}
