#include "engine/grain/cif_file.h"

#include <cif.h>
#include <cif_error.h>
#include <unicode/ustring.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace grainix {

namespace {

std::string utf8(const UChar* s) {
  if (!s) return {};
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8(nullptr, 0, &length, s, -1, &status);
  std::string out(static_cast<size_t>(length), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), length, nullptr, s, -1, &status);
  if (U_FAILURE(status)) return {};
  return out;
}

// What the parser callbacks fill.
struct ParseState {
  StCifFile* file = nullptr;
  size_t line = 1;          // where the last token started
  bool inLoop = false;
  int frameDepth = 0;
  int errorCode = 0;
  size_t errorLine = 0, errorColumn = 0;
};

StCifBlock* currentBlock(ParseState& st) { return st.file->blocks.empty() ? nullptr : &st.file->blocks.back(); }

int onBlockStart(cif_container_tp* block, void* data) {
  auto& st = *static_cast<ParseState*>(data);
  StCifBlock b;
  UChar* code = nullptr;
  if (block && cif_container_get_code(block, &code) == CIF_OK) {
    b.code = utf8(code);
    std::free(code);
  }
  b.single.rows.emplace_back();
  st.file->blocks.push_back(std::move(b));
  st.inLoop = false;
  return CIF_TRAVERSE_CONTINUE;
}

// Save frames (dictionary definitions) hold no structure: their contents are skipped.
int onFrameStart(cif_container_tp*, void*) { return CIF_TRAVERSE_SKIP_CURRENT; }

int onLoopStart(cif_loop_tp*, void* data) {
  auto& st = *static_cast<ParseState*>(data);
  if (StCifBlock* b = currentBlock(st)) b->loops.emplace_back();
  st.inLoop = true;
  return CIF_TRAVERSE_CONTINUE;
}

int onLoopEnd(cif_loop_tp*, void* data) {
  static_cast<ParseState*>(data)->inLoop = false;
  return CIF_TRAVERSE_CONTINUE;
}

int onPacketStart(cif_packet_tp*, void* data) {
  auto& st = *static_cast<ParseState*>(data);
  if (StCifBlock* b = currentBlock(st); b && st.inLoop && !b->loops.empty()) b->loops.back().rows.emplace_back();
  return CIF_TRAVERSE_CONTINUE;
}

StCifValue convert(cif_value_tp* v, size_t line) {
  StCifValue out;
  out.line = line;
  if (!v) return out;
  const cif_kind_tp kind = cif_value_kind(v);
  if (kind == CIF_NA_KIND) {
    out.text = ".";
    return out;
  }
  if (kind == CIF_UNK_KIND) {
    out.text = "?";
    return out;
  }
  out.known = true;
  if (kind != CIF_CHAR_KIND && kind != CIF_NUMB_KIND) return out;  // lists and tables of CIF 2.0
  UChar* text = nullptr;
  if (cif_value_get_text(v, &text) == CIF_OK) {
    out.text = utf8(text);
    std::free(text);
  }
  double number = 0, su = 0;
  if (cif_value_get_number(v, &number) == CIF_OK) {
    out.numeric = true;
    out.number = number;
    if (cif_value_get_su(v, &su) == CIF_OK) out.su = su;
  }
  return out;
}

int onItem(UChar* name, cif_value_tp* value, void* data) {
  auto& st = *static_cast<ParseState*>(data);
  StCifBlock* b = currentBlock(st);
  if (!b || !name) return CIF_TRAVERSE_CONTINUE;
  StCifTable& table = st.inLoop && !b->loops.empty() ? b->loops.back() : b->single;
  if (table.rows.empty()) table.rows.emplace_back();
  const std::string written = utf8(name);
  int col = table.column(written);
  if (col < 0) {
    table.names.push_back(written);
    col = static_cast<int>(table.names.size()) - 1;
  }
  auto& row = table.rows.back();
  if (row.size() <= static_cast<size_t>(col)) row.resize(static_cast<size_t>(col) + 1);
  row[static_cast<size_t>(col)] = convert(value, st.line);
  return CIF_TRAVERSE_CONTINUE;
}

// A zero-length white-space run marks where the next token starts.
void onWhitespace(size_t line, size_t, const UChar*, size_t length, void* data) {
  if (length == 0) static_cast<ParseState*>(data)->line = line;
}

int onError(int code, size_t line, size_t column, const UChar*, size_t, void* data) {
  auto& st = *static_cast<ParseState*>(data);
  if (st.errorCode == 0) {
    st.errorCode = code;
    st.errorLine = line;
    st.errorColumn = column;
  }
  // The first error is the one reported. The parse goes on: the library
  // recovers and frees what it held, which it does not when a callback
  // ends the parse (its pending token leaked).
  return 0;
}

std::string errorText(int code) {
  if (code >= 0 && code < cif_nerr) return cif_errlist[code];
  return "error " + std::to_string(code);
}

}  // namespace

std::string cifNameKey(const std::string& name) {
  std::string key;
  key.reserve(name.size());
  for (char ch : name) key += ch == '.' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return key;
}

int StCifTable::column(const std::string& name) const {
  const std::string key = cifNameKey(name);
  for (size_t i = 0; i < names.size(); ++i)
    if (cifNameKey(names[i]) == key) return static_cast<int>(i);
  return -1;
}

const StCifTable* StCifBlock::find(const std::string& name, int& column) const {
  column = single.column(name);
  if (column >= 0) return &single;
  for (const StCifTable& t : loops) {
    column = t.column(name);
    if (column >= 0) return &t;
  }
  return nullptr;
}

const StCifValue* StCifBlock::value(const std::string& name) const {
  int col = -1;
  const StCifTable* t = find(name, col);
  if (!t || t->rows.size() != 1 || t->rows[0].size() <= static_cast<size_t>(col)) return nullptr;
  return &t->rows[0][static_cast<size_t>(col)];
}

std::string StCifBlock::spelled(const std::string& name) const {
  int col = -1;
  const StCifTable* t = find(name, col);
  return t ? t->names[static_cast<size_t>(col)] : name;
}

bool readCifFile(const std::string& path, StCifFile& file, std::string& error) {
  file = StCifFile{};
  file.path = path;
  std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!stream) {
    error = "couldn't open file: " + path;
    return false;
  }
  char magic[10] = {};
  if (std::fread(magic, 1, sizeof magic, stream.get()) == sizeof magic && std::string(magic, 10) == "#\\#CIF_2.0")
    file.version = 2;
  std::rewind(stream.get());

  ParseState st;
  st.file = &file;
  cif_handler_tp handler{};
  handler.handle_block_start = onBlockStart;
  handler.handle_frame_start = onFrameStart;
  handler.handle_loop_start = onLoopStart;
  handler.handle_loop_end = onLoopEnd;
  handler.handle_packet_start = onPacketStart;
  handler.handle_item = onItem;
  struct cif_parse_opts_s* options = nullptr;
  if (cif_parse_options_create(&options) != CIF_OK || !options) {
    error = path + ": the CIF library could not start";
    return false;
  }
  std::unique_ptr<struct cif_parse_opts_s, void (*)(void*)> ownOptions(options, &std::free);
  options->handler = &handler;
  options->whitespace_callback = onWhitespace;
  options->error_callback = onError;
  options->user_data = &st;
  // A managed CIF receives the data, so the library also checks what
  // syntax alone does not (a data name given twice in a block).
  cif_tp* cif = nullptr;
  const int rc = cif_parse(stream.get(), options, &cif);
  if (cif) {
    [[maybe_unused]] const int destroyed = cif_destroy(cif);
  }
  if (st.errorCode != 0) {
    error = path + ": line " + std::to_string(st.errorLine) + ", column " + std::to_string(st.errorColumn) + ": " +
            errorText(st.errorCode);
    return false;
  }
  if (rc != CIF_OK) {
    error = path + ": not a CIF file (" + errorText(rc) + ")";
    return false;
  }
  if (file.blocks.empty()) {
    error = path + ": no data block (a CIF file starts its data with \"data_\")";
    return false;
  }
  return true;
}

}  // namespace grainix
