#include "engine/grain/sqq_file.h"

#include <ctime>
#include <fstream>
#include <sstream>

#include "engine/core/atomic_file.h"
#include "engine/core/format.h"

namespace grainix {

StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence, std::time_t when) {
  StCommandResult res;
  std::string reason;
  const std::string text =
      "#date: " + dateTimeText(when) + "\n#size: " + std::to_string(sequence.size()) + "\n" + sequence;
  if (!writeFileAtomically(path, text, &reason)) {
    res.error("Error, couldn't open file: " + path + " for writing", "Error");
    res.log.push_back(path + ": " + reason);
    return res;
  }
  res.ok = true;
  return res;
}

StCommandResult saveSequenceFile(const std::string& path, const std::string& sequence) {
  return saveSequenceFile(path, sequence, std::time(nullptr));
}

StCommandResult loadSequenceFile(const std::string& path, std::string& sequence) {
  StCommandResult res;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    res.error("Error, couldn't open file: " + path + " for reading", "Error");
    return res;
  }
  std::string line;
  std::getline(in, line);  // "#date: ..."
  std::string word;
  long long n = -1;
  in >> word >> n;
  if (!in || n < 0) {
    res.error("Error, wrong format of file: " + path, "Error");
    return res;
  }
  const int sep = in.get();  // the line break after the size
  if (sep == '\r' && in.peek() == '\n') in.get();  // CR LF line ends
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest.back() == '\r') rest.pop_back();
  if (static_cast<long long>(rest.size()) > n) rest.resize(static_cast<size_t>(n));
  sequence = rest;
  res.ok = true;
  return res;
}

}  // namespace grainix
