// Files of record buffers, one after another, each as the library reads
// records: a 384-byte header (u32 rec_id at bytes 0-3, u32 record kind at
// 12-15, i32 data length at 380-383, little-endian) followed by that many
// bytes of record data. Nothing else is in the file.
#ifndef QXEXP_RECORD_FILE_H
#define QXEXP_RECORD_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>

// Writes a record file as a whole or not at all: the records go to a
// temporary file beside the target, which takes the target's name only on
// Commit. The target is the file a symbolic link leads to, when the name is
// one; it must be a regular file or none, and a file replaced keeps its
// permissions. A writer destroyed before Commit, or a tool interrupted
// before it, removes the temporary file.
class RecordFileWriter {
 public:
  RecordFileWriter() = default;
  RecordFileWriter(const RecordFileWriter&) = delete;
  RecordFileWriter& operator=(const RecordFileWriter&) = delete;
  ~RecordFileWriter() { Abandon(); }

  bool Open(const std::string& path, std::string* error);
  // Writes one record buffer: header and data, 384 + data length bytes.
  bool Write(const unsigned char* record, std::string* error);
  // Closes the file and gives it the target's name, replacing any file there.
  bool Commit(std::string* error);
  void Abandon();

 private:
  std::string path_;       // as given, for messages
  std::string target_;     // where the records go
  std::string temporary_;
  std::FILE* file_ = nullptr;
};

class RecordFileReader {
 public:
  RecordFileReader() = default;
  RecordFileReader(const RecordFileReader&) = delete;
  RecordFileReader& operator=(const RecordFileReader&) = delete;
  ~RecordFileReader() { Close(); }

  // "-" reads standard input.
  bool Open(const std::string& path, std::string* error);
  void Close();
  // 1 with the next record in `record` (room for a whole record buffer,
  // 65,531 bytes) and its place in the file in *offset; 0 at the end of the
  // file; -1 with a message for a record cut short, a data length out of
  // range, or a failed read.
  int Next(unsigned char* record, uint64_t* offset, std::string* error);
  // Bytes in the file and bytes read so far, for progress.
  uint64_t size() const { return size_; }
  uint64_t position() const { return position_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  bool owns_file_ = false;  // not standard input
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

#endif
