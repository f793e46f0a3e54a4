// The Internet actions against loopback servers: a 100 MB download next to curl's, small
// GETs per second, and SMTP messages per second next to Python's smtplib.
//   build/native-release/bench/internet_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "actions/integration/internet/internet_actions.h"
#include "actions/integration/internet/server_process.h"
#include "engine/session.h"
#include "platform/native_port.h"
#include "settings/settings_store.h"

namespace plumo {
namespace {

constexpr int kInternet = 11;
constexpr const char* kLargeSize = "104857600";

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

// One session over the native port, with the Internet actions.
struct World {
  World() {
    setenv("PLUMO_REGISTRY", TempPath("plumo_internet_bench.sqlite3").c_str(), 1);
    port = std::make_unique<NativePort>();
    store = std::make_unique<SettingsStore>(port->registry(), port->environment());
    session = std::make_unique<Session>(SessionPorts{port->clock(), port->environment(), port->mainQueue(), port->dialogs(),
                                                     port->desktop(), port->processes(), port->system(), port->threads(),
                                                     *store, port->locale(), port->files(), port->registry(),
                                                     port->clipboard()});
    RegisterInternetActions(*session, MakeNativeInternetPort());
  }
  int Run(Step step) {
    step.category = kInternet;
    session->scripts.Close(0);
    Script script;
    script.steps.push_back(std::move(step));
    session->scripts.Open(std::move(script));
    return (*session->executors.Find(kInternet, session->scripts.At(0)->steps[0].action.str()))(*session, 0, 0, false);
  }
  std::unique_ptr<NativePort> port;
  std::unique_ptr<SettingsStore> store;
  std::unique_ptr<Session> session;
};

World& TheWorld() {
  static World world;
  return world;
}
ServerProcess& Http() {
  static ServerProcess server({"http"});
  return server;
}
ServerProcess& Smtp() {
  static const std::string dir = TempPath("plumo_internet_bench_mail");
  static ServerProcess server({"smtp", "--dir", dir});
  return server;
}

Step MakeStep(const char* action, const std::string& text) {
  Step step;
  step.action = action;
  step.text = text;
  return step;
}

void BM_Download100MB(benchmark::State& state) {
  const std::string file = TempPath("plumo_bench_download.bin");
  Step step = MakeStep("Download", "http://" + Http().address() + "/bytes?size=" + kLargeSize);
  step.output = "File";
  step.outputValue = file;
  for (auto _ : state)
    if (TheWorld().Run(step) != 1) state.SkipWithError(TheWorld().session->run.errorText.c_str());
  state.SetBytesProcessed(state.iterations() * std::atoll(kLargeSize));
  std::filesystem::remove(file);
}
BENCHMARK(BM_Download100MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The same download kept in memory (a Download into a variable): the network part alone.
void BM_Download100MBToMemory(benchmark::State& state) {
  const Step step = MakeStep("Download", "http://" + Http().address() + "/bytes?size=" + kLargeSize);
  for (auto _ : state)
    if (TheWorld().Run(step) != 1) state.SkipWithError(TheWorld().session->run.errorText.c_str());
  state.SetBytesProcessed(state.iterations() * std::atoll(kLargeSize));
}
BENCHMARK(BM_Download100MBToMemory)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The same file through the curl program, written to a file as well.
void BM_CurlDownload100MB(benchmark::State& state) {
  const std::string file = TempPath("plumo_bench_curl.bin");
  const std::string command = "curl -s -o " + file + " http://" + Http().address() + "/bytes?size=" + kLargeSize;
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  state.SetBytesProcessed(state.iterations() * std::atoll(kLargeSize));
  std::filesystem::remove(file);
}
BENCHMARK(BM_CurlDownload100MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_SmallGets(benchmark::State& state) {
  const Step step = MakeStep("Get Web Page Text", "http://" + Http().address() + "/page.html");
  for (auto _ : state)
    if (TheWorld().Run(step) != 1) state.SkipWithError(TheWorld().session->run.errorText.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SmallGets)->Iterations(1000)->UseRealTime();

void BM_SmtpSend(benchmark::State& state) {
  Step step = MakeStep("Send Email: SMTP", "A short message.");
  step.value3 = "127.0.0.1";
  step.value5 = "me@here.org";
  step.value6 = "you@there.org";
  step.value7 = std::to_string(Smtp().port());
  for (auto _ : state)
    if (TheWorld().Run(step) != 1) state.SkipWithError(TheWorld().session->run.errorText.c_str());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SmtpSend)->Iterations(300)->UseRealTime();

// Python's smtplib sending the same messages, one connection each, timed in one process.
void BM_SmtplibSend(benchmark::State& state) {
  constexpr int kMessages = 300;
  const std::string command = std::string(PLUMO_TEST_PYTHON) +
                              " -c \"import smtplib,time,sys\n"
                              "t=time.time()\n"
                              "for i in range(" + std::to_string(kMessages) + "):\n"
                              "  s=smtplib.SMTP('127.0.0.1'," + std::to_string(Smtp().port()) + ")\n"
                              "  s.sendmail('me@here.org',['you@there.org'],'Subject: x\\r\\n\\r\\nA short message.')\n"
                              "  s.quit()\n"
                              "print(time.time()-t)\"";
  for (auto _ : state) {
    FILE* out = popen(command.c_str(), "r");
    double seconds = 0;
    if (!out || std::fscanf(out, "%lf", &seconds) != 1) state.SkipWithError("python failed");
    if (out) pclose(out);
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * kMessages);
}
BENCHMARK(BM_SmtplibSend)->Iterations(1)->UseManualTime();

}  // namespace
}  // namespace plumo
