#include "profiles/connection_profile.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/endpoint/endpoint_key.hpp"

using namespace profiles;

namespace {

const std::string kEndpoint(64, 'a');

ConnectionProfile make(std::string name, ConnectionKind kind, AuthMethod auth = AuthMethod::Password,
                       std::string host = "h", bool favorite = false) {
  ConnectionProfile p;
  p.name = std::move(name);
  p.kind = kind;
  p.auth = auth;
  p.host = std::move(host);
  p.favorite = favorite;
  p.id = Uuid::new_v4();
  return p;
}

struct LiveSessions {
  explicit LiveSessions(const char* value) {
    if (value) setenv("REMOTE_LIVE_SESSIONS", value, 1); else unsetenv("REMOTE_LIVE_SESSIONS");
  }
  ~LiveSessions() { unsetenv("REMOTE_LIVE_SESSIONS"); }
};

std::vector<std::string> names(const std::vector<const ConnectionProfile*>& list) {
  std::vector<std::string> out;
  for (auto* p : list) out.push_back(p->name);
  return out;
}

}  // namespace

TEST(ProfileParse, UnknownTextsFallBackToDefaults) {
  EXPECT_EQ(parse_kind("VNC"), ConnectionKind::Vnc);
  EXPECT_EQ(parse_kind("RDP"), ConnectionKind::Rdp);
  EXPECT_EQ(parse_kind("Vexa"), ConnectionKind::Vexa);
  for (auto text : {"", "vnc", "SSH ", "vexa"}) EXPECT_EQ(parse_kind(text), ConnectionKind::Ssh) << text;
  EXPECT_EQ(parse_auth("Public key"), AuthMethod::PublicKey);
  EXPECT_EQ(parse_auth("Device identity"), AuthMethod::DeviceIdentity);
  EXPECT_EQ(parse_auth("public key"), AuthMethod::Password);
  EXPECT_EQ(parse_presence("online"), Presence::Online);
  EXPECT_EQ(parse_presence("offline"), Presence::Offline);
  EXPECT_EQ(parse_presence("Online"), Presence::Unknown);
  for (auto kind : kAllKinds) EXPECT_EQ(parse_kind(kind_token(kind)), kind);
}

TEST(ProfileRules, CompatibilityMessages) {
  struct Case {
    ConnectionKind kind;
    std::string host;
    AuthMethod auth;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {ConnectionKind::Ssh, "h", AuthMethod::PublicKey, std::nullopt},
      {ConnectionKind::Ssh, "h", AuthMethod::DeviceIdentity, "SSH profiles support password or public-key authentication."},
      {ConnectionKind::Vnc, "h", AuthMethod::PublicKey, "VNC profiles support password authentication only."},
      {ConnectionKind::Rdp, "h", AuthMethod::DeviceIdentity, "RDP profiles support password authentication only."},
      {ConnectionKind::Vexa, kEndpoint, AuthMethod::Password, "Vexa device profiles must use Vexa device identity."},
      {ConnectionKind::Vexa, "", AuthMethod::DeviceIdentity, std::nullopt},
      {ConnectionKind::Vexa, "   ", AuthMethod::DeviceIdentity, std::nullopt},
      {ConnectionKind::Vexa, "  " + kEndpoint + "\t", AuthMethod::DeviceIdentity, std::nullopt},
      {ConnectionKind::Vexa, kEndpoint + "0", AuthMethod::DeviceIdentity, "Vexa device node must be an exact certified endpoint id."},
      {ConnectionKind::Vexa, kEndpoint.substr(1) + "g", AuthMethod::DeviceIdentity, "Vexa device node must be an exact certified endpoint id."},
      {ConnectionKind::Vexa, "x" + kEndpoint, AuthMethod::DeviceIdentity, "Vexa device node must be an exact certified endpoint id."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compatibility_message(c.kind, c.host, c.auth), c.expected) << c.host;
  }
}

TEST(ProfileRules, AvailabilityGatesKindBeforeCompatibility) {
  struct Case {
    const char* live;
    ConnectionProfile profile;
    Availability expected;
  };
  const Case cases[] = {
      {nullptr, make("a", ConnectionKind::Ssh), Availability::NeedsAccess},
      {"", make("a", ConnectionKind::Ssh), Availability::Ready},
      {"1", make("a", ConnectionKind::Vnc), Availability::Ready},
      {"1", make("a", ConnectionKind::Vnc, AuthMethod::PublicKey), Availability::Invalid},
      {nullptr, make("a", ConnectionKind::Vnc, AuthMethod::PublicKey), Availability::NeedsAccess},
      {"1", make("a", ConnectionKind::Rdp), Availability::NotSupported},
      {nullptr, make("a", ConnectionKind::Rdp, AuthMethod::PublicKey), Availability::NotSupported},
      {nullptr, make("a", ConnectionKind::Vexa, AuthMethod::DeviceIdentity, kEndpoint), Availability::Ready},
      {nullptr, make("a", ConnectionKind::Vexa, AuthMethod::DeviceIdentity, "nope"), Availability::Invalid},
      {"\xff", make("a", ConnectionKind::Ssh), Availability::NeedsAccess},
  };
  for (const auto& c : cases) {
    LiveSessions env(c.live);
    EXPECT_EQ(availability_of(c.profile), c.expected) << c.profile.name << " " << (c.live ? c.live : "unset");
  }
}

TEST(ProfileRules, AvailabilityTexts) {
  EXPECT_EQ(availability_text(Availability::NeedsAccess, ConnectionKind::Ssh),
            "SSH is installed, but this build has not been granted live network access.");
  EXPECT_EQ(availability_text(Availability::NeedsAccess, ConnectionKind::Vnc),
            "VNC is installed, but this build has not been granted live network access.");
  EXPECT_EQ(availability_text(Availability::NeedsAccess, ConnectionKind::Vexa),
            "This transport needs a capability before it can connect.");
  EXPECT_EQ(availability_text(Availability::NotSupported, ConnectionKind::Ssh),
            "RDP profiles are preserved, but this Vexa build has no RDP client backend.");
  EXPECT_EQ(availability_text(Availability::Invalid, ConnectionKind::Vnc),
            "This saved connection has incompatible target or authentication settings.");
  EXPECT_EQ(availability_text(Availability::Ready, ConnectionKind::Rdp), "This transport is ready to connect.");
}

TEST(VisibleProfiles, SearchesNameHostUserGroupAndKindTokenOnly) {
  std::vector<ConnectionProfile> list = {make("Build Box", ConnectionKind::Ssh),
                                         make("Studio", ConnectionKind::Vexa, AuthMethod::DeviceIdentity),
                                         make("NAS", ConnectionKind::Vnc)};
  list[0].group = "lab";
  list[0].last_used = "yesterday";
  list[2].user = "Media";
  list[2].host = "10.0.0.20";
  struct Case {
    std::string query;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"", {"Build Box", "NAS", "Studio"}},
      {"   ", {"Build Box", "NAS", "Studio"}},
      {"  SSH ", {"Build Box"}},
      {"vexa", {"Studio"}},
      {"LAB", {"Build Box"}},
      {"media", {"NAS"}},
      {"0.0.2", {"NAS"}},
      {"yesterday", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(names(visible_profiles(list, c.query)), c.expected) << c.query;
}

TEST(VisibleProfiles, FavouritesFirstThenLowerCasedNameStable) {
  std::vector<ConnectionProfile> list = {make("aardvark", ConnectionKind::Ssh),
                                         make("beta", ConnectionKind::Ssh, AuthMethod::Password, "h", true),
                                         make("Alpha", ConnectionKind::Ssh, AuthMethod::Password, "h", true),
                                         make("Box", ConnectionKind::Ssh), make("box", ConnectionKind::Vnc),
                                         make("bo", ConnectionKind::Ssh)};
  EXPECT_EQ(names(visible_profiles(list, "")),
            (std::vector<std::string>{"Alpha", "beta", "aardvark", "bo", "Box", "box"}));
}

TEST(VisibleProfiles, UnicodeQueriesAndNamesAreFullyLowerCased) {
  std::vector<ConnectionProfile> list = {make("ÉCOLE", ConnectionKind::Ssh), make("Ωmega", ConnectionKind::Ssh),
                                         make("école b", ConnectionKind::Ssh)};
  EXPECT_EQ(names(visible_profiles(list, "ÉCO")), (std::vector<std::string>{"ÉCOLE", "école b"}));
  EXPECT_EQ(names(visible_profiles(list, "ωMEGA")), (std::vector<std::string>{"Ωmega"}));
  EXPECT_EQ(trim("\u00a0 x \u2003"), "x");
}

TEST(ProfileSignature, JoinsTargetFieldsOnly) {
  auto p = make("n", ConnectionKind::Ssh, AuthMethod::Password, " host ");
  p.port = 22;
  p.user = "root";
  EXPECT_EQ(profile_signature(p), "SSH| host |22|root|Password");
  auto renamed = p;
  renamed.name = "other";
  renamed.group = "g";
  renamed.favorite = true;
  renamed.presence = Presence::Online;
  EXPECT_EQ(profile_signature(renamed), profile_signature(p));
  renamed.port = 2222;
  EXPECT_NE(profile_signature(renamed), profile_signature(p));
}

TEST(TargetLabel, PerKind) {
  auto ssh = make("n", ConnectionKind::Ssh, AuthMethod::Password, "box");
  ssh.port = 22;
  ssh.user = "admin";
  EXPECT_EQ(target_label(ssh), "admin@box:22");
  auto vnc = make("n", ConnectionKind::Vnc, AuthMethod::Password, "10.0.0.20");
  vnc.port = 5900;
  vnc.user = "media";
  EXPECT_EQ(target_label(vnc), "10.0.0.20:5900");
  vnc.port = 0;
  EXPECT_EQ(target_label(vnc), "10.0.0.20");
  auto dev = make("n", ConnectionKind::Vexa, AuthMethod::DeviceIdentity, kEndpoint);
  EXPECT_EQ(target_label(dev), "Vexa device aaaaaaaaaaaa…");
  dev.host = "short";
  EXPECT_EQ(target_label(dev), "Vexa device short");
}

TEST(Uuid, RoundTripsVersion4LowerCase) {
  auto id = Uuid::new_v4();
  auto text = id.to_string();
  ASSERT_EQ(text.size(), 36u);
  EXPECT_EQ(text[14], '4');
  EXPECT_TRUE(text[19] == '8' || text[19] == '9' || text[19] == 'a' || text[19] == 'b');
  EXPECT_EQ(Uuid::parse(text), id);
  EXPECT_NE(Uuid::new_v4(), id);
  for (auto bad : {"", "not-a-uuid", "123e4567e89b12d3a456426614174000", "123e4567-e89b-12d3-a456-42661417400g",
                   "123e4567-e89b-12d3-a456-4266141740000"}) {
    EXPECT_FALSE(Uuid::parse(bad)) << bad;
  }
}

TEST(EndpointKey, DerivesKnownEd25519PublicKeyAndParsesExactly) {
  // RFC 8032 test 1.
  vexa::endpoint::SecretKey secret{};
  auto seed = vexa::endpoint::parse_public_key("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60");
  ASSERT_TRUE(seed);
  std::copy(seed->begin(), seed->end(), secret.begin());
  EXPECT_EQ(vexa::endpoint::to_text(vexa::endpoint::public_key_from_secret(secret)),
            "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
  EXPECT_TRUE(vexa::endpoint::parse_public_key(std::string(64, 'F')));
  EXPECT_FALSE(vexa::endpoint::parse_public_key(std::string(63, 'a')));
  EXPECT_FALSE(vexa::endpoint::parse_public_key(" " + std::string(63, 'a')));
}
