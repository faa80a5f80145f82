#pragma once

#include "app/operator_page.h"

namespace corvane {

// The Communications page: the Modbus address the program talks to, a new address given to the
// sensor, the search of the address range for a sensor that answers (run by the link's address
// scan), and the serial port with its settings. The page keeps its own copy of the port and its
// settings until Apply, which makes the link reopen the port with them.
class CAdvCommsPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 4;
    static constexpr int kHighestAddress = 247;

    CAdvCommsPage(fw::Host& host, SharedRecords& records);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    bool OnSetActive() override;
    bool OnApply() override;
    void OnReset() override;
    void OnOK() override;
    void OnNotify(int id, fw::Notify notify) override;

  private:
    void ShowSettings();

    int currentId_ = 0;
    int selectId_ = 0;
    int portIndex_ = 0;
    int baudIndex_ = 2;
    int dataBitsIndex_ = 1;
    int parityIndex_ = 2;
    int stopBitsIndex_ = 0;
    int flowIndex_ = 2;
};

}  // namespace corvane
