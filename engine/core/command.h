#pragma once
// What an engine command decided, returned as data. A window applies it:
// appends the log lines, shows the message boxes in order, enables and
// disables the named commands. Tests assert on the same record.
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace grainix {

enum class MessageKind {
  Error,         // error box (title "ERROR" or "Error"), error icon
  Warning,       // warning box, title "WARNING"
  Confirmation,  // the toolkit's typed dialog with one OK button
  Information,
  ConversionError,  // a numeric text that does not parse
};

struct StMessage {
  MessageKind kind = MessageKind::Error;
  std::string title;
  std::string text;
  bool operator==(const StMessage&) const = default;
};

// Enable/disable requests keyed by component name ("BLiczPdf", "MIsavenodes"...).
using CommandStates = std::map<std::string, bool>;

struct StCommandResult {
  bool ok = false;
  std::vector<std::string> log;
  std::vector<StMessage> messages;
  CommandStates enable;

  void error(std::string text, std::string title = "ERROR") {
    messages.push_back({MessageKind::Error, std::move(title), std::move(text)});
  }
  void warning(std::string text) { messages.push_back({MessageKind::Warning, "WARNING", std::move(text)}); }
  void confirm(std::string text) { messages.push_back({MessageKind::Confirmation, "", std::move(text)}); }
  void conversionError(const std::string& text) {
    messages.push_back({MessageKind::ConversionError, "Error", "'" + text + "' is not a valid floating point value"});
  }
  void set(const std::string& command, bool enabled) { enable[command] = enabled; }
};

// Parses the texts in order into their values; the first that is not a
// number gives the conversion error in `r` and false (later values untouched).
bool parseAll(StCommandResult& r, std::initializer_list<std::pair<const std::string*, double*>> fields);

}  // namespace grainix
