#include "platform/actions/json.hpp"

#include <gtest/gtest.h>

#include "platform/actions/encoded_action.hpp"

using namespace vexa_actions;

TEST(ParseJson, RefusesDuplicateMembersAtAnyDepth) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {R"({"a":1,"a":2})", "duplicate field `a`"},
      {R"({"x":{"id":"1","name":"n","id":"2"}})", "duplicate field `id`"},
      {R"([{"k":1},{"k":2,"k":3}])", "duplicate field `k`"},
  };
  for (const auto& c : cases) {
    auto parsed = parse_json(c.text);
    ASSERT_FALSE(parsed) << c.text;
    EXPECT_EQ(parsed.error(), c.error) << c.text;
  }
  // The same name in sibling objects is not a duplicate.
  EXPECT_TRUE(parse_json(R"([{"k":1},{"k":2}])"));
}

TEST(ParseJson, KeepsMemberOrderAndScalarTypes) {
  auto parsed = parse_json(R"({"z":1,"a":-2,"m":1.5,"b":[true,null,"s"]})");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(dump_json(*parsed), R"({"z":1,"a":-2,"m":1.5,"b":[true,null,"s"]})");
  EXPECT_TRUE((*parsed)["z"].is_number_unsigned());
  EXPECT_TRUE((*parsed)["a"].is_number_integer());
}

TEST(ParseJson, RejectsMalformedTrailingAndTooDeepInput) {
  for (const char* text : {"", "{", R"({"a":})", "[1,]", "1 2", R"("unterminated)", "tru"}) {
    EXPECT_FALSE(parse_json(text)) << text;
  }
  std::string deep(kMaxJsonDepth, '[');
  deep += std::string(kMaxJsonDepth, ']');
  EXPECT_TRUE(parse_json(deep));
  std::string too_deep = "[" + deep + "]";
  auto parsed = parse_json(too_deep);
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.error(), "recursion limit exceeded");
  // Far deeper than any stack would allow if the parse recursed.
  EXPECT_FALSE(parse_json(std::string(1'000'000, '[')));
}

TEST(DumpJson, ReplacesInvalidUtf8InsteadOfThrowing) {
  Json value = {{"name", std::string("a\xff" "b")}};
  EXPECT_EQ(dump_json(value), "{\"name\":\"a\xEF\xBF\xBD" "b\"}");
}

TEST(EncodedAction, ParsesAndPrintsTheEnvelope) {
  auto action = parse_encoded_action(R"({"kind":"k","payload":{"A":[1]},"operation_type":"view"})");
  ASSERT_TRUE(action);
  EXPECT_EQ(action->kind, "k");
  EXPECT_EQ(action->operation_type, OperationType::View);
  EXPECT_EQ(dump_json(action->to_json()), R"({"kind":"k","payload":{"A":[1]},"operation_type":"view"})");

  auto plain = parse_encoded_action(R"({"payload":"P","kind":"k"})");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->operation_type);

  struct Case {
    const char* text;
    const char* error;
  } bad[] = {
      {R"({"payload":1})", "missing field `kind`"},
      {R"({"kind":"k"})", "missing field `payload`"},
      {R"({"kind":"k","payload":1,"operation_type":"fast"})", R"(operation_type must be "view" or "background")"},
      {R"([1])", "an encoded action is a JSON object"},
      {R"({"kind":"k","kind":"j","payload":1})", "duplicate field `kind`"},
  };
  for (const auto& c : bad) {
    auto parsed = parse_encoded_action(c.text);
    ASSERT_FALSE(parsed) << c.text;
    EXPECT_EQ(parsed.error(), c.error);
  }
}
