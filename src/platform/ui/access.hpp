#pragma once
// The accessibility tree: every frame the app builds nodes with a role, a stable identifier, a
// label, a description and a value. The JSON dump has a fixed member order so tests and
// automation can read it.
#include <string>
#include <vector>

namespace vexa_ui {

enum class Role { Window, Group, Button, TextField, List, ListItem, Heading, Text, Toggle, Image, Alert, Dialog, Terminal };

struct AccessNode {
  Role role = Role::Group;
  std::string id;
  std::string label;
  std::string description;
  std::string value;
  bool focused = false;
  bool selected = false;
  std::vector<AccessNode> children;

  static AccessNode with_children(Role role, std::string id, std::string label,
                                  std::vector<AccessNode> children = {}) {
    AccessNode node;
    node.role = role;
    node.id = std::move(id);
    node.label = std::move(label);
    node.children = std::move(children);
    return node;
  }
  AccessNode& describe(std::string d) {
    description = std::move(d);
    return *this;
  }
  AccessNode& with_value(std::string v) {
    value = std::move(v);
    return *this;
  }

  // Depth-first search by identifier; null when absent.
  const AccessNode* find(std::string_view identifier) const;
  std::string to_json(bool pretty = true) const;
};

const char* role_name(Role role);

// Semantic actions the framework can perform on a node.
enum class SemanticKind { Activate, Focus, Toggle, SetValue, Reveal };

struct SemanticAction {
  SemanticKind kind = SemanticKind::Activate;
  std::string value;  // for SetValue
};

}  // namespace vexa_ui
