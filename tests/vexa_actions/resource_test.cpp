#include "platform/actions/resource.hpp"

#include <gtest/gtest.h>

using namespace vexa_actions;

namespace {

Encoder echo(std::string kind) {
  return [kind](const ActionArgs& args) {
    return EncodedAction{kind, Json{{"Say", {{"value", args.text("value").value_or("")}}}}, std::nullopt};
  };
}

Resource sample_tree() {
  Resource item("demo.item", "demo.item:1", "First");
  item.with_action(ActionSpec("rename", "Rename", echo("demo.action"))
                       .with_argument({"value", "New name", "item name", false}))
      .with_action(ActionSpec("remove", "Remove", echo("demo.action")).destructive())
      .with_action(ActionSpec("run", "Run", echo("demo.operation"))
                       .with_operation_type(OperationType::Background)
                       .with_contract(ActionContract{}.with_capability("network").with_error("busy", "it is busy"))
                       .unavailable("needs_access", "Access is needed."));
  Resource root("demo.list", "demo.list", "Items");
  root.with_action(ActionSpec("open", "Open", echo("demo.operation")).with_operation_type(OperationType::View))
      .with_child(std::move(item));
  return root;
}

}  // namespace

TEST(ActionArgs, MissingArgumentIsAbsentAndJsonScalarsBecomeText) {
  ActionArgs args = ActionArgs::from_json(Json{{"s", "text"}, {"n", 5}, {"b", true}, {"z", nullptr}, {"o", Json::object()}});
  EXPECT_EQ(args.text("s"), "text");
  EXPECT_EQ(args.text("n"), "5");
  EXPECT_EQ(args.text("b"), "true");
  EXPECT_FALSE(args.text("z"));
  EXPECT_FALSE(args.text("o"));
  EXPECT_FALSE(args.text("missing"));
  EXPECT_TRUE(ActionArgs::from_json(Json::array({"x"})).empty());
}

TEST(Resource, InvokeEncodesArgumentsAndStampsTheDeclaredType) {
  Resource root = sample_tree();
  auto renamed = resource::invoke(root, "demo.item:1", "rename", ActionArgs().set("value", "Second"));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed->kind, "demo.action");
  EXPECT_EQ(renamed->payload, (Json{{"Say", {{"value", "Second"}}}}));
  EXPECT_FALSE(renamed->operation_type);

  auto empty = resource::invoke(root, "demo.item:1", "rename", ActionArgs());
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->payload["Say"]["value"], "");

  auto opened = resource::invoke(root, "demo.list", "open", ActionArgs());
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->operation_type, OperationType::View);
}

TEST(Resource, InvokeRefusesUnknownUnavailableAndIncompleteRequests) {
  Resource root = sample_tree();
  struct Case {
    const char* resource;
    const char* action;
    const char* code;
  } cases[] = {
      {"demo.item:2", "rename", "unknown_resource"},
      {"demo.item:1", "fly", "unknown_action"},
      {"demo.item:1", "run", "needs_access"},
  };
  for (const auto& c : cases) {
    auto result = resource::invoke(root, c.resource, c.action, ActionArgs());
    ASSERT_FALSE(result) << c.action;
    EXPECT_EQ(result.error().code, c.code);
  }
  EXPECT_EQ(resource::invoke(root, "demo.item:1", "run", ActionArgs()).error().message, "Access is needed.");

  Resource strict("k", "k:1", "K");
  strict.with_action(ActionSpec("say", "Say", echo("x")).with_argument({"value", "", "", true}));
  auto missing = resource::invoke(strict, "k:1", "say", ActionArgs());
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().code, "missing_argument");
  EXPECT_TRUE(resource::invoke(strict, "k:1", "say", ActionArgs().set("value", "")));
}

TEST(Resource, EnforceOperationTypeOverridesWhatTheEncoderClaimed) {
  ActionSpec spec = ActionSpec("open", "Open", [](const ActionArgs&) {
                      return EncodedAction{"op", Json("Open"), OperationType::Background};
                    }).with_operation_type(OperationType::View);
  EXPECT_EQ(resource::enforce_operation_type(spec.encode({}), spec).operation_type, OperationType::View);
  ActionSpec undeclared("x", "X", echo("op"));
  EncodedAction stamped{"op", Json("X"), OperationType::Background};
  EXPECT_EQ(resource::enforce_operation_type(stamped, undeclared).operation_type, OperationType::Background);
}

TEST(Resource, JsonTreeDescribesEverySpec) {
  Json tree = sample_tree().to_json();
  EXPECT_EQ(tree["kind"], "demo.list");
  EXPECT_EQ(tree["actions"][0]["operation_type"], "view");
  const Json& item = tree["children"][0];
  EXPECT_EQ(item["id"], "demo.item:1");
  EXPECT_EQ(item["title"], "First");
  ASSERT_EQ(item["actions"].size(), 3u);
  const Json& rename = item["actions"][0];
  EXPECT_EQ(rename["id"], "rename");
  EXPECT_EQ(rename["destructive"], false);
  EXPECT_EQ(rename["available"], true);
  EXPECT_EQ(rename["input"],
            (Json{{"type", "object"},
                  {"properties", {{"value", {{"type", "string"}, {"title", "New name"}, {"description", "item name"}}}}},
                  {"required", Json::array()}}));
  EXPECT_EQ(item["actions"][1]["destructive"], true);
  const Json& run = item["actions"][2];
  EXPECT_EQ(run["available"], false);
  EXPECT_EQ(run["unavailable"], (Json{{"code", "needs_access"}, {"message", "Access is needed."}}));
  EXPECT_EQ(run["contract"]["capabilities"], Json::array({"network"}));
  EXPECT_EQ(run["contract"]["errors"][0]["code"], "busy");
  EXPECT_EQ(tree["children"][0]["children"], Json::array());
}
