#pragma once

#include <QList>
#include <utility>

namespace platform {

// The test seam of whatever asks the world outside the program: a message
// box, a file dialog, a started program. While a script runs nothing is
// shown or started; each request is recorded and takes the next scripted
// answer, or a fallback once the script has run dry.
template <typename Answer, typename Request> class ScriptedAnswers
{
public:
    bool active() const { return m_active; }
    void start(const QList<Answer>& answers = {})
    {
        m_active = true;
        m_answers = answers;
        m_requests.clear();
    }
    void add(const QList<Answer>& answers) { m_answers.append(answers); }
    void stop() { *this = ScriptedAnswers(); }

    Answer answer(const Request& request, const Answer& whenDry)
    {
        m_requests.append(request);
        return m_answers.isEmpty() ? whenDry : m_answers.takeFirst();
    }
    QList<Request> requests() const { return m_requests; }
    QList<Request> takeRequests() { return std::exchange(m_requests, {}); }

private:
    bool m_active = false;
    QList<Answer> m_answers;
    QList<Request> m_requests;
};

} // namespace platform
