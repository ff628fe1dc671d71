#include "installer/window/flow_worker.h"

#include <QMetaObject>
#include <QObject>

namespace installer {

void FlowWorker::post(Request request, QObject* receiver, Done done) {
    runner_.post([request = std::move(request), receiver,
                  done = std::move(done)](InstallFlow& flow) {
        FlowSnapshot snapshot;
        snapshot.answer = request(flow);
        snapshot.step = flow.step();
        snapshot.handoff = flow.handoff();
        snapshot.lastExit = flow.lastExit();
        snapshot.install = flow.install();
        QMetaObject::invokeMethod(
            receiver, [done, snapshot]() { done(snapshot); }, Qt::QueuedConnection);
        return snapshot.answer;
    });
}

}  // namespace installer
