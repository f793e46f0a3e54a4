// The Windows port against the shared behaviour: the real registry, environment, clock and a
// message-loop queue.
#include "platform/port_conformance.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_main_queue.h"
#include "platform/win32/win32_registry.h"

namespace plumo {
namespace {

INSTANTIATE_TEST_SUITE_P(Win32, RegistryConformance,
                         testing::Values(PortFactory<Registry>{
                             "Win32", [] { return std::make_unique<Win32Registry>(); }}),
                         PortName<Registry>);

INSTANTIATE_TEST_SUITE_P(Win32, EnvironmentConformance,
                         testing::Values(PortFactory<Environment>{
                             "Win32", [] { return std::make_unique<Win32Environment>(); }}),
                         PortName<Environment>);

INSTANTIATE_TEST_SUITE_P(Win32, ClockConformance,
                         testing::Values(PortFactory<Clock>{
                             "Win32", [] { return std::make_unique<Win32Clock>(); }}),
                         PortName<Clock>);

INSTANTIATE_TEST_SUITE_P(Win32, MainQueueConformance,
                         testing::Values(PortFactory<MainQueue>{
                             "Win32", [] { return std::make_unique<Win32MainQueue>(); }}),
                         PortName<MainQueue>);

}  // namespace
}  // namespace plumo
