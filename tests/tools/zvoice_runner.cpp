#include "zvoice_runner.h"

#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

extern char **environ;

namespace zvoice_test {

RunResult RunZvoice(const std::vector<std::string> &args, const std::filesystem::path &dir) {
  const std::string out_path = (dir / "zvoice.stdout").string();
  const std::string err_path = (dir / "zvoice.stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<std::string> argv_strings{ZVOICE_BINARY};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, ZVOICE_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot run " ZVOICE_BINARY);
  int status = 0;
  waitpid(pid, &status, 0);
  const auto slurp = [](const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out_path), slurp(err_path)};
  std::filesystem::remove(out_path);
  std::filesystem::remove(err_path);
  return result;
}

void WriteAudio(const std::filesystem::path &path, int format, int rate, int channels,
                const std::vector<float> &samples) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
  sf_close(file);
}

void WriteWav8k(const std::filesystem::path &path, const std::vector<int16_t> &samples) {
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
}

Audio ReadAudio(const std::filesystem::path &path) {
  SF_INFO info{};
  SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
  Audio audio;
  if (file == nullptr) return audio;
  audio.rate = info.samplerate;
  audio.channels = info.channels;
  audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_short(file, audio.samples.data(), info.frames);
  sf_close(file);
  return audio;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path &path, const std::vector<uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace zvoice_test
