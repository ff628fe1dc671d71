#include "installer/window/flow_worker.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace installer {

FlowWorker::FlowWorker(InstallFlow& flow)
    : flow_(flow), thread_(std::make_unique<QThread>()), context_(std::make_unique<QObject>()) {
    context_->moveToThread(thread_.get());
    thread_->start();
}

FlowWorker::~FlowWorker() {
    thread_->quit();
    thread_->wait();
    // The thread is gone, so nothing runs on the context any more; its last events go with it.
    context_.reset();
}

void FlowWorker::post(Request request, QObject* receiver, Done done) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, request = std::move(request), receiver, done = std::move(done)]() {
            FlowSnapshot snapshot;
            snapshot.answer = request(flow_);
            snapshot.step = flow_.step();
            snapshot.handoff = flow_.handoff();
            snapshot.lastExit = flow_.lastExit();
            snapshot.install = flow_.install();
            QMetaObject::invokeMethod(
                receiver, [done, snapshot]() { done(snapshot); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

}  // namespace installer
