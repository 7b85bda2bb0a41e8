#include <gtest/gtest.h>

#include "actions/remote_action.hpp"

using namespace actions;
using profiles::AuthMethod;
using profiles::ConnectionKind;
using profiles::Uuid;

namespace {

const std::string kId = "6f1c2a3e-8b4d-4e5f-9a0b-1c2d3e4f5a6b";
const Uuid kUuid = *Uuid::parse(kId);

// Payloads are parsed from text, as they arrive from other applications.
Json parse(const std::string& text) {
  auto json = vexa_actions::parse_json(text);
  EXPECT_TRUE(json) << text << ": " << json.error();
  return json ? *json : Json();
}

std::string fmt_id(std::string text) {
  for (auto pos = text.find("@ID"); pos != std::string::npos; pos = text.find("@ID")) text.replace(pos, 3, kId);
  return text;
}

struct DecodeCase {
  std::string payload;  // "@ID" stands for a valid profile id
  std::string error;    // empty when the payload decodes
};

const std::string kUpsertTail = R"("name":"n","host":"h","port":22,"user":"u","kind":"Ssh","auth":"Password")";

}  // namespace

TEST(DecodeAction, Table) {
  const DecodeCase cases[] = {
      {R"({"UpsertConnection":{"id":"@ID",)" + kUpsertTail + R"(,"group":""}})", ""},
      {R"({"UpsertConnection":{"id":"@ID",)" + kUpsertTail + R"(}})", "missing field `group`"},
      {R"({"UpsertConnection":{"id":"@ID",)" + kUpsertTail + R"(,"group":"","favorite":true,"x":[1]}})", ""},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":0,"user":"","kind":"Vexa","auth":"DeviceIdentity","group":"g"}})", ""},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":65536,"user":"","kind":"Ssh","auth":"Password","group":""}})",
       "invalid value: integer `65536`, expected u16"},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":-1,"user":"","kind":"Ssh","auth":"Password","group":""}})",
       "invalid value: integer `-1`, expected u16"},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":"22","user":"","kind":"Ssh","auth":"Password","group":""}})",
       R"(invalid type: string "22", expected u16)"},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":22.0,"user":"","kind":"Ssh","auth":"Password","group":""}})",
       "invalid type: floating point `22.0`, expected u16"},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":22,"user":"","kind":"ssh","auth":"Password","group":""}})",
       "unknown variant `ssh`, expected one of `Ssh`, `Vnc`, `Rdp`, `Vexa`"},
      {R"({"UpsertConnection":{"id":"@ID","name":"n","host":"h","port":22,"user":"","kind":"Ssh","auth":"Public key","group":""}})",
       "unknown variant `Public key`, expected one of `Password`, `PublicKey`, `DeviceIdentity`"},
      {R"({"UpsertConnection":{"id":"@ID","name":null,"host":"h","port":22,"user":"","kind":"Ssh","auth":"Password","group":""}})",
       "invalid type: null, expected a string"},
      {R"({"UpsertConnection":["@ID","n","h",22,"u","Vnc","Password","g"]})", ""},
      {R"({"UpsertConnection":["@ID","n","h",22,"u","Vnc","Password"]})",
       "invalid length 7, expected struct variant RemoteAction::UpsertConnection with 8 elements"},
      {R"({"RenameConnection":{"id":"@ID","name":"New"}})", ""},
      {R"({"RenameConnection":{"name":"New"}})", "missing field `id`"},
      {R"({"RenameConnection":{"id":"not-a-uuid","name":"New"}})",
       R"(invalid value: string "not-a-uuid", expected a formatted UUID string)"},
      {R"({"RenameConnection":{"id":7,"name":"New"}})", "invalid type: integer `7`, expected a formatted UUID string"},
      {R"({"SetFavorite":{"id":"@ID","favorite":"yes"}})", R"(invalid type: string "yes", expected a boolean)"},
      {R"({"SetFavorite":["@ID",true,false]})", "invalid length 3, expected fewer elements in array"},
      {R"({"DeleteConnection":["@ID"]})", ""},
      {R"({"DeleteConnection":[]})", "invalid length 0, expected struct variant RemoteAction::DeleteConnection with 1 element"},
      {R"({"DeleteConnection":"@ID"})", "invalid type: string \"@ID\", expected struct variant"},
      {R"("DeleteConnection")", "invalid type: unit variant, expected struct variant"},
      {R"({"RemoveConnection":{"id":"@ID"}})",
       "unknown variant `RemoveConnection`, expected one of `UpsertConnection`, `RenameConnection`, `SetFavorite`, `DeleteConnection`"},
      {R"({"deleteConnection":{"id":"@ID"}})",
       "unknown variant `deleteConnection`, expected one of `UpsertConnection`, `RenameConnection`, `SetFavorite`, `DeleteConnection`"},
      {R"({})", "invalid value: map, expected map with a single key"},
      {R"({"DeleteConnection":{"id":"@ID"},"SetFavorite":{"id":"@ID","favorite":true}})",
       "invalid value: map, expected map with a single key"},
      {R"([{"DeleteConnection":{"id":"@ID"}}])", "invalid type: sequence, expected string or map"},
      {R"(true)", "invalid type: boolean `true`, expected string or map"},
  };
  for (const auto& c : cases) {
    std::string text = fmt_id(c.payload);
    auto decoded = decode_action(parse(text));
    if (c.error.empty()) {
      EXPECT_TRUE(decoded) << text << ": " << decoded.error();
    } else {
      ASSERT_FALSE(decoded) << text;
      EXPECT_EQ(decoded.error(), fmt_id(c.error)) << text;
    }
  }
}

TEST(DecodeOperation, Table) {
  const DecodeCase cases[] = {
      {R"("ShowConnections")", ""},
      {R"("NewConnectionForm")", ""},
      {R"({"ShowConnections":null})", ""},
      {R"({"ShowConnections":{}})", "invalid type: map, expected unit"},
      {R"({"EditConnection":{"connection_id":"@ID"}})", ""},
      {R"({"Connect":{"connection_id":"@ID","id":"ignored"}})", ""},
      {R"({"Connect":{}})", "missing field `connection_id`"},
      {R"("Connect")", "invalid type: unit variant, expected struct variant"},
      {R"({"Disconnect":["@ID"]})", ""},
      {R"({"SendText":{"connection_id":"@ID","text":"ls\n"}})", ""},
      {R"({"SendText":["@ID"]})", "invalid length 1, expected struct variant RemoteOperation::SendText with 2 elements"},
      {R"({"SendText":{"connection_id":"@ID","text":5}})", "invalid type: integer `5`, expected a string"},
      {R"({"TrustSshHostKey":{"connection_id":"@ID","observed":{"algorithm":"ssh-ed25519","fingerprint":"SHA256:abc"}}})", ""},
      {R"({"TrustSshHostKey":["@ID",["ssh-ed25519","SHA256:abc"]]})", ""},
      {R"({"TrustSshHostKey":{"connection_id":"@ID","observed":{"algorithm":"ssh-ed25519"}}})", "missing field `fingerprint`"},
      {R"({"TrustSshHostKey":{"connection_id":"@ID","observed":"SHA256:abc"}})",
       R"(invalid type: string "SHA256:abc", expected struct HostKeyIdentity)"},
      {R"({"TrustSshHostKey":{"connection_id":"@ID","observed":["ssh-ed25519"]}})",
       "invalid length 1, expected struct HostKeyIdentity with 2 elements"},
      {R"({"TrustSshHostKey":{"connection_id":"@ID"}})", "missing field `observed`"},
      {R"({"ForgetSshHostKey":{"connection_id":"@ID"}})", ""},
      {R"("Reboot")",
       "unknown variant `Reboot`, expected one of `ShowConnections`, `NewConnectionForm`, `EditConnection`, "
       "`Connect`, `Disconnect`, `SendText`, `TrustSshHostKey`, `ForgetSshHostKey`"},
      {R"(null)", "invalid type: null, expected string or map"},
      {R"({"SendText":{"connection_id":"@ID","text":"a\"b"},"x":1})", "invalid value: map, expected map with a single key"},
  };
  for (const auto& c : cases) {
    std::string text = fmt_id(c.payload);
    auto decoded = decode_operation(parse(text));
    if (c.error.empty()) {
      EXPECT_TRUE(decoded) << text << ": " << decoded.error();
    } else {
      ASSERT_FALSE(decoded) << text;
      EXPECT_EQ(decoded.error(), fmt_id(c.error)) << text;
    }
  }
}

TEST(DecodeAction, FieldGivenTwiceIsRefusedWhenTheTextIsRead) {
  auto json = vexa_actions::parse_json(fmt_id(R"({"RenameConnection":{"id":"@ID","name":"a","name":"b"}})"));
  ASSERT_FALSE(json);
  EXPECT_EQ(json.error(), "duplicate field `name`");
}

TEST(DecodeAction, ValuesLandInTheRightFields) {
  auto decoded = decode_action(parse(fmt_id(R"({"UpsertConnection":{"group":"lab","id":"@ID","name":"Box",)"
                                            R"("host":"10.0.0.2","port":5901,"user":"","kind":"Vnc","auth":"Password",)"
                                            R"("favorite":true}})")));
  ASSERT_TRUE(decoded) << decoded.error();
  EXPECT_EQ(std::get<UpsertConnection>(*decoded),
            (UpsertConnection{kUuid, "Box", "10.0.0.2", 5901, "", ConnectionKind::Vnc, AuthMethod::Password, "lab"}));

  // Any case the id parser accepts reads; it is written back lower-case.
  std::string upper = kId;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto renamed = decode_action(parse(R"({"RenameConnection":{"id":")" + upper + R"(","name":"x"}})"));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(std::get<RenameConnection>(*renamed).id, kUuid);
  EXPECT_EQ(vexa_actions::dump_json(encode_action(*renamed)), fmt_id(R"({"RenameConnection":{"id":"@ID","name":"x"}})"));

  auto trust = decode_operation(parse(fmt_id(R"({"TrustSshHostKey":["@ID",{"fingerprint":"SHA256:f","algorithm":"ssh-rsa"}]})")));
  ASSERT_TRUE(trust);
  EXPECT_EQ(std::get<TrustSshHostKey>(*trust).observed, (ssh::HostKeyIdentity{"ssh-rsa", "SHA256:f"}));
}

TEST(Encode, WritesFieldsInDeclarationOrder) {
  struct Case {
    std::string text;
    Json json;
  } cases[] = {
      {R"({"UpsertConnection":{"id":"@ID","name":"Box","host":"h","port":22,"user":"me","kind":"Ssh","auth":"PublicKey","group":""}})",
       encode_action(UpsertConnection{kUuid, "Box", "h", 22, "me", ConnectionKind::Ssh, AuthMethod::PublicKey, ""})},
      {R"({"RenameConnection":{"id":"@ID","name":"N"}})", encode_action(RenameConnection{kUuid, "N"})},
      {R"({"SetFavorite":{"id":"@ID","favorite":true}})", encode_action(SetFavorite{kUuid, true})},
      {R"({"DeleteConnection":{"id":"@ID"}})", encode_action(DeleteConnection{kUuid})},
      {R"("ShowConnections")", encode_operation(ShowConnections{})},
      {R"("NewConnectionForm")", encode_operation(NewConnectionForm{})},
      {R"({"EditConnection":{"connection_id":"@ID"}})", encode_operation(EditConnection{kUuid})},
      {R"({"SendText":{"connection_id":"@ID","text":"q"}})", encode_operation(SendText{kUuid, "q"})},
      {R"({"TrustSshHostKey":{"connection_id":"@ID","observed":{"algorithm":"ssh-ed25519","fingerprint":"SHA256:x"}}})",
       encode_operation(TrustSshHostKey{kUuid, {"ssh-ed25519", "SHA256:x"}})},
      {R"({"ForgetSshHostKey":{"connection_id":"@ID"}})", encode_operation(ForgetSshHostKey{kUuid})},
  };
  for (const auto& c : cases) EXPECT_EQ(vexa_actions::dump_json(c.json), fmt_id(c.text));
}

TEST(Encode, EveryVariantRoundTripsThroughText) {
  const RemoteAction actions[] = {
      UpsertConnection{kUuid, "Ünïcode \"name\"", "host", 65535, "root", ConnectionKind::Rdp, AuthMethod::Password, "g"},
      RenameConnection{kUuid, ""}, SetFavorite{kUuid, false}, DeleteConnection{kUuid}};
  for (const auto& a : actions) {
    auto back = decode_action(parse(vexa_actions::dump_json(encode_action(a))));
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, a) << variant_name(a);
  }
  const RemoteOperation operations[] = {ShowConnections{}, NewConnectionForm{}, EditConnection{kUuid},
                                        Connect{kUuid},    Disconnect{kUuid},   SendText{kUuid, std::string("a\0b", 3)},
                                        TrustSshHostKey{kUuid, {"a", "b"}},    ForgetSshHostKey{kUuid}};
  for (const auto& op : operations) {
    auto back = decode_operation(parse(vexa_actions::dump_json(encode_operation(op))));
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, op) << variant_name(op);
  }
}

TEST(ContractKind, ViewOperationsOnlyChangeWhatIsShown) {
  const std::pair<RemoteOperation, ContractKind> cases[] = {
      {ShowConnections{}, ContractKind::View},          {NewConnectionForm{}, ContractKind::View},
      {EditConnection{kUuid}, ContractKind::View},      {Connect{kUuid}, ContractKind::Background},
      {Disconnect{kUuid}, ContractKind::Background},    {SendText{kUuid, ""}, ContractKind::Background},
      {TrustSshHostKey{kUuid, {}}, ContractKind::Background}, {ForgetSshHostKey{kUuid}, ContractKind::Background}};
  for (const auto& [op, kind] : cases) EXPECT_EQ(contract_kind(op), kind) << variant_name(op);
}

TEST(ToEncoded, UsesTheTwoKinds) {
  auto action = to_encoded(RemoteAction{DeleteConnection{kUuid}});
  EXPECT_EQ(action.kind, "remote.action");
  EXPECT_EQ(action.payload, encode_action(DeleteConnection{kUuid}));
  auto operation = to_encoded(RemoteOperation{ShowConnections{}});
  EXPECT_EQ(operation.kind, "remote.operation");
  EXPECT_EQ(operation.payload, Json("ShowConnections"));
  EXPECT_FALSE(operation.operation_type);
}
