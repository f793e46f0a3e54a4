// The Linux port against the shared behaviour.
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_environment.h"
#include "platform/port_conformance.h"

namespace plumo {
namespace {

INSTANTIATE_TEST_SUITE_P(Posix, EnvironmentConformance,
                         testing::Values(PortFactory<Environment>{
                             "Posix", [] { return std::make_unique<PosixEnvironment>(); }}),
                         PortName<Environment>);

INSTANTIATE_TEST_SUITE_P(Posix, ClockConformance,
                         testing::Values(PortFactory<Clock>{
                             "Posix", [] { return std::make_unique<PosixClock>(); }}),
                         PortName<Clock>);

}  // namespace
}  // namespace plumo
