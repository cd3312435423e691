#include "search/LineLoad.h"

#include <algorithm>
#include <map>
#include <utility>

#include "catalogue/Device.h"

int RegistersOfParameterType(int parameterType)
{
    return parameterType == kTypeReal || parameterType == kTypeInt ? 2 : 1;
}

double CharacterBits(const PortSettings& port)
{
    if (!port.known || port.baudRate == 0 || port.dataBits == 0) return 0;
    if (port.parity >= kParityCodeCount || port.stopBits >= kStopBitsCodeCount) return 0;
    const double stop = port.stopBits == 0 ? 1.0 : port.stopBits == 1 ? 1.5 : 2.0;
    return 1.0 + port.dataBits + (port.parity != 0 ? 1.0 : 0.0) + stop;
}

double RequestMs(double characterMs, int registers)
{
    const double characters =
        kRequestFrameBytes + kResponseFrameBytes + kBytesPerRegister * registers + 2 * kSilenceCharacters;
    return characters * characterMs + kDeviceTurnaroundMs;
}

LineLoadEstimate EstimateLineLoad(const PortSettings& port, const std::vector<LineLoadTag>& tags)
{
    LineLoadEstimate estimate;
    const double bits = CharacterBits(port);
    estimate.known = bits > 0;
    if (estimate.known) estimate.characterMs = bits * 1000.0 / port.baudRate;

    std::map<std::pair<std::uint32_t, std::uint32_t>, DeviceLoad> devices;  // by (address, type)
    double busyMs = 0;
    for (const LineLoadTag& tag : tags) {
        if (tag.periodMs <= 0) {
            ++estimate.tagsWithoutPeriod;
            continue;
        }
        ++estimate.tagsCounted;
        const double rate = 1000.0 / static_cast<double>(tag.periodMs);
        const double busy = rate * RequestMs(estimate.characterMs, tag.registers);
        estimate.requestsPerSecond += rate;
        busyMs += busy;
        DeviceLoad& device = devices[{tag.address, tag.type}];
        device.type = tag.type;
        device.address = tag.address;
        device.requestsPerSecond += rate;
        device.busyFraction += busy / 1000.0;
    }
    if (!estimate.known) return estimate;
    estimate.busyFraction = busyMs / 1000.0;
    if (estimate.busyFraction > 0) estimate.capacityPerSecond = estimate.requestsPerSecond / estimate.busyFraction;
    if (estimate.Overloaded()) {
        std::vector<DeviceLoad> all;
        for (const auto& d : devices) all.push_back(d.second);
        // Most line time first; equal ones by address, so the text does not vary by run.
        std::stable_sort(all.begin(), all.end(),
                         [](const DeviceLoad& a, const DeviceLoad& b) { return a.busyFraction > b.busyFraction; });
        if (all.size() > 3) all.resize(3);
        estimate.busiest = all;
    }
    return estimate;
}
