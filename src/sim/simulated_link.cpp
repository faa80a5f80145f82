#include "sim/simulated_link.h"

namespace corvane::sim {

// The link timer, remembering its period so that RunTicks knows when the next tick falls.
class SimulatedLink::TickTimer : public fw::Timer {
  public:
    explicit TickTimer(std::unique_ptr<fw::Timer> inner) : inner_(std::move(inner)) {}
    void Start(int periodMs) override {
        periodMs_ = periodMs;
        inner_->Start(periodMs);
    }
    void Stop() override { inner_->Stop(); }
    bool Running() const override { return inner_->Running(); }
    int PeriodMs() const { return periodMs_; }

  private:
    std::unique_ptr<fw::Timer> inner_;
    int periodMs_ = 0;
};

SimulatedLink::SimulatedLink(std::vector<int> sensorAddresses) {
    for (const int address : sensorAddresses) {
        sensors_.push_back(std::make_unique<VirtualSensor>(address));
        line_.Attach(*sensors_.back());
    }
    linkTimer_ = std::make_unique<TickTimer>(host_.CreateTimer([this] {
        ++ticks_;
        lastTickAt_ = clock_.Now();
        link_->Tick();
    }));
    link_ = std::make_unique<SensorLink>(records_, line_, host_, host_, *linkTimer_);
}

SimulatedLink::~SimulatedLink() = default;

void SimulatedLink::Start() {
    ResetSensorData(records_);
    linkTimer_->Start(CommandEngine::kTickMs);
}

void SimulatedLink::RunTicks(int ticks) {
    const int target = ticks_ + ticks;
    while (ticks_ < target && clock_.RunNext()) {
    }
    if (linkTimer_->Running()) {
        clock_.RunUntil(lastTickAt_ + linkTimer_->PeriodMs() * fw::kMillisecond - 1);
    }
}

}  // namespace corvane::sim
