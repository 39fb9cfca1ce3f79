// SPDX-License-Identifier: MIT
#include "scpi/Session.h"

#include "scpi/Error.h"

#include <cmath>
#include <exception>
#include <utility>

namespace scpi {

Session::Session(const CommandTable& instrument, Output output)
    : instrument(instrument), output(std::move(output)) {
    AddCommonCommands();
}

Session::~Session() {
    if (pending) {
        pending->onDone = nullptr;
        pending->abandoned = true;
    }
}

void Session::AddCommonCommands() {
    common.Add("*CLS", Form::Set, {}, [this](Call&) {
        errors.Clear();
        status.ClearEsr();
    });
    common.Add("*ESE", Form::Set, {1, 1}, [this](Call& call) {
        const double mask = ToNumber(call.parameters[0], {"", 0, 255, std::nullopt});
        status.SetEnable(static_cast<std::uint8_t>(std::nearbyint(mask)));
    });
    common.Add("*ESE", Form::Query, {},
               [this](Call& call) { call.reply.Send(FormatNr1(status.Enable())); });
    common.Add("*ESR", Form::Query, {},
               [this](Call& call) { call.reply.Send(FormatNr1(status.ReadAndClearEsr())); });
    common.Add("*STB", Form::Query, {}, [this](Call& call) {
        call.reply.Send(FormatNr1(status.StatusByte(errors.Count() > 0)));
    });
    // Commands run one after the other, each finished before the next starts, so every
    // operation is complete when *OPC, *OPC? or *WAI comes to run.
    common.Add("*OPC", Form::Set, {},
               [this](Call&) { status.SetEvent(Status::kOperationComplete); });
    common.Add("*OPC", Form::Query, {}, [](Call& call) { call.reply.Send("1"); });
    common.Add("*WAI", Form::Set, {}, [](Call&) {});
    common.Add("SYSTem:ERRor[:NEXT]", Form::Query, {},
               [this](Call& call) { call.reply.Send(FormatErrorEntry(errors.Pop())); });
}

void Session::Feed(std::string_view bytes) {
    std::vector<Line> lines;
    reader.Feed(bytes, lines);
    for (Line& line : lines) {
        if (!line.tooLong && heldBytes + line.text.size() > kMaxHeldBytes) {
            line = {{}, true};
        }
        if (line.tooLong) {
            // One report for a run of dropped lines keeps the queue of markers bounded too.
            if (held.empty() || !held.back().tooLong) {
                held.push_back(std::move(line));
            }
        } else {
            heldBytes += line.text.size();
            held.push_back(std::move(line));
        }
    }
    Run();
}

void Session::Run() {
    if (running) {
        return;
    }
    running = true;
    while (!pending) {
        if (!inMessage) {
            if (held.empty()) {
                break;
            }
            Line line = std::move(held.front());
            held.pop_front();
            heldBytes -= line.text.size();
            if (line.tooLong) {
                Report(kTooMuchData, "message longer than 65536 bytes dropped");
                continue;
            }
            message = ParseMessage(line.text);
            nextUnit = 0;
            responses.clear();
            inMessage = true;
        }
        if (nextUnit < message.units.size()) {
            Execute(message.units[nextUnit++]);
            continue;
        }
        if (message.error) {
            Report(message.error->code, message.error->detail);
        }
        if (!responses.empty()) {
            std::string reply = responses.front();
            for (std::size_t i = 1; i < responses.size(); ++i) {
                reply += ';';
                reply += responses[i];
            }
            output(reply + '\n');
        }
        inMessage = false;
    }
    running = false;
}

void Session::Execute(const ProgramUnit& unit) {
    CommandTable::Lookup found = common.Find(unit);
    if (found.handler == nullptr) {
        found = instrument.Find(unit);
    }
    ReplyState failed;
    if (found.handler == nullptr) {
        failed.error = ErrorEntry{found.error, found.detail};
    } else if (unit.parameters.size() < found.arity.min) {
        failed.error = ErrorEntry{kMissingParameter, unit.Header()};
    } else if (unit.parameters.size() > found.arity.max) {
        failed.error = ErrorEntry{kParameterNotAllowed, unit.Header()};
    }
    if (failed.error) {
        Finish(failed, unit.query, unit.Header());
        return;
    }
    auto state = std::make_shared<ReplyState>();
    {
        Call call{unit.parameters, std::move(found.suffixes), Reply(state)};
        try {
            (*found.handler)(call);
        } catch (const Error& e) {
            call.reply.Fail(e.Code(), e.Detail());
        } catch (const std::exception& e) {
            call.reply.Fail(kDeviceSpecificError, e.what());
        }
    }
    if (!state->done && state.use_count() > 1) { // the handler kept its Reply: wait for it
        pending = state;
        pendingQuery = unit.query;
        pendingHeader = unit.Header();
        state->onDone = [this]() { Resume(); };
        return;
    }
    Finish(*state, unit.query, unit.Header());
}

void Session::Finish(const ReplyState& state, bool query, const std::string& header) {
    if (state.error) {
        Report(state.error->code, state.error->detail);
        if (state.error->code <= -100 && state.error->code > -200) {
            message.units.resize(nextUnit); // a command error ends the line
            message.error.reset();
        }
    } else if (query && !state.done) {
        Report(kDeviceSpecificError, header + " gave no answer");
    } else if (query) {
        responses.push_back(state.data);
    }
}

void Session::Resume() {
    const std::shared_ptr<ReplyState> state = std::exchange(pending, nullptr);
    state->onDone = nullptr;
    Finish(*state, pendingQuery, pendingHeader);
    Run();
}

void Session::Report(int code, std::string detail) {
    errors.Push(code, std::move(detail));
    status.SetEvent(Status::EventBitFor(code));
}

} // namespace scpi
