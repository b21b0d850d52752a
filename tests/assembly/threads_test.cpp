// The worker pool runs every task once on any number of threads and passes a failure on; on a
// sheet above the threads threshold the objective gives the energy and gradient of the elements
// added one after another, to the bit, and whole runs of both programs write the same files, for
// 1, 2, 3 and 8 workers; the helpers take no interrupt.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dorvan/model_text.hpp"
#include "melvar/kinematics.hpp"
#include "melvar/program.hpp"
#include "melvar/sheet_models.hpp"
#include "sheet/assembly/objective.hpp"
#include "sheet/assembly/worker_pool.hpp"
#include "sheet/failure.hpp"
#include "support/objectives.hpp"
#include "support/program_run.hpp"

namespace {

const int worker_counts[] = {1, 2, 3, 8};

// Sets the worker count for one scope and restores the one before.
class workers {
public:
    explicit workers(int n) : before_(sheet::worker_count()) { sheet::set_worker_count(n); }
    ~workers() { sheet::set_worker_count(before_); }

private:
    int before_;
};

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The total potential energy with every sum formed in the order of one thread: the loads'
// work, then element after element its energy and its forces into g. element(e, forces)
// returns the element's energy.
template <class Model, class Element>
double one_after_another(const Model& m, const terms::real_vector& x, terms::real_vector& g,
                         Element&& element) {
    double f = 0.0;
    for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i)
        for (std::int32_t j = 1; j <= 3; ++j) {
            const std::int32_t k = m.numbering.dof_map(i, j);
            if (k > m.numbering.free_count) continue;
            f = f - x(k) * m.problem.loads(i, j);
            g(k) = -m.problem.loads(i, j);
        }
    for (std::int32_t e = m.problem.mesh.elements.first(); e <= m.problem.mesh.elements.last();
         ++e) {
        sheet::element_forces forces;
        f = f + element(e, forces);
        for (int l = 0; l < 3; ++l)
            for (std::int32_t j = 1; j <= 3; ++j) {
                const std::int32_t k = m.numbering.dof_map(m.problem.mesh.elements(e).node[l], j);
                if (k <= m.numbering.free_count) g(k) = g(k) + forces.row[l][j - 1];
            }
    }
    return f;
}

// objective(x, g, request) gives reference's energy and gradient to the bit for every worker
// count, and the slope along d that the line search would sum from that gradient.
template <class Objective>
void expect_every_count_alike(std::int32_t n, const terms::real_vector& x, double reference_f,
                              const terms::real_vector& reference_g, Objective&& objective) {
    dorvan_tests::random_reals random(11);
    std::vector<double> d(static_cast<std::size_t>(n));
    double reference_slope = 0.0;
    for (std::int32_t k = 1; k <= n; ++k) {
        d[k - 1] = random(-1.0, 1.0);
        reference_slope = reference_slope + reference_g(k) * d[k - 1];
    }
    for (const int count : worker_counts) {
        const workers scope(count);
        terms::real_vector g(1, n);
        double slope = 0.0;
        const double f = objective(x, g, nlp::slope_request{d.data(), &slope});
        EXPECT_TRUE(same_bits(f, reference_f)) << count << " workers: " << f;
        EXPECT_TRUE(same_bits(slope, reference_slope)) << count << " workers: slope " << slope;
        for (std::int32_t k = 1; k <= n; ++k)
            ASSERT_TRUE(same_bits(g(k), reference_g(k))) << count << " workers, entry " << k;
    }
}

// With a follower pressure on every element, added after the runs: the energy, the gradient and
// the slope (which then takes in the pressures' entries) as on one worker.
TEST(threads, objective_with_pressures_is_the_same_for_every_worker_count) {
    melvar::model m;
    m.problem.thickness = 0.2;
    melvar_testing::neo_hookean(m, 0.7);
    melvar_testing::tight_settings(m, 1.0E-6);
    melvar_testing::make_grid(m, 61, 70, 0.05, 0.04);  // 8540 elements
    for (std::int32_t j = 1; j <= 3; ++j) melvar_testing::prescribe(m, 1, j, 0.0);
    for (std::int32_t e = 1; e <= m.problem.mesh.elements.last(); ++e)
        m.problem.pressures.push_back({e, 1.0E-3 * (1 + e % 3)});
    melvar::program::start(m);
    const std::int32_t n = m.numbering.free_count;
    dorvan_tests::random_reals random(5);
    terms::real_vector x(1, n), reference(1, n);
    for (std::int32_t k = 1; k <= n; ++k) x(k) = random(-0.01, 0.01);
    const auto objective = [&](const terms::real_vector& at, terms::real_vector& g,
                               nlp::slope_request along = {}) {
        return testing_support::melvar_objective(m, n, at, g, along);
    };
    const workers one(1);
    expect_every_count_alike(n, x, objective(x, reference), reference, objective);
}

// Also with the elements in random order, where the runs of entries reach far apart elements.
TEST(threads, melvar_objective_is_the_same_for_every_worker_count) {
    using namespace melvar_testing;
    for (const bool shuffled : {false, true}) {
        SCOPED_TRACE(shuffled ? "shuffled elements" : "elements in rows");
        melvar::model m;
        m.problem.thickness = 0.2;
        arruda_boyce(m, 0.7, 2.5);
        tight_settings(m, 1.0E-6);
        make_grid(m, 61, 70, 0.05, 0.04);  // 8540 elements
        for (std::int32_t i = 1; i <= m.problem.mesh.node_count; ++i) {
            if (m.problem.mesh.node_x(i) == 0.0) prescribe(m, i, 1, 0.0);
            if (m.problem.mesh.node_y(i) == 0.0) prescribe(m, i, 2, 0.0);
            m.problem.loads(i, 3) = 2.0E-4;
        }
        if (shuffled) {
            std::mt19937 random(3);
            std::shuffle(&m.problem.mesh.elements(1),
                         &m.problem.mesh.elements(1) + m.problem.mesh.elements.size(), random);
        }
        melvar::program::start(m);
        ASSERT_GE(m.problem.mesh.elements.size(), sheet::threads_from);
        dorvan_tests::random_reals random(5);
        terms::real_vector x(1, m.numbering.free_count);
        for (std::int32_t k = 1; k <= m.numbering.free_count; ++k) x(k) = random(-0.01, 0.01);

        terms::real_vector reference(1, m.numbering.free_count);
        const double f = one_after_another(m, x, reference, [&](std::int32_t e, auto& forces) {
            return sheet::element_at<melvar::kinematics>(m, e, x, forces).strain_energy;
        });
        expect_every_count_alike(
            m.numbering.free_count, x, f, reference,
            [&](const terms::real_vector& at, terms::real_vector& g, nlp::slope_request along) {
                return testing_support::melvar_objective(m, m.numbering.free_count, at, g, along);
            });
    }
}

TEST(threads, whole_runs_write_the_same_files_for_every_thread_count) {
    using namespace dorvan_tests;
    using namespace testing_support;
    problem p;
    rectangle_mesh(p, 1.0, 1.0, 64, 65);  // 8320 elements
    p.settings.max_iterations = 25;
    p.settings.memory_size = 5;
    for (const node_line& n : p.nodes) {
        const bool border = n.x == 0.0 || n.x == 1.0 || n.y == 0.0 || n.y == 1.0;
        if (!border) {
            p.loads.push_back({n.number, 3, 2.0E-5});
            continue;
        }
        p.prescribed.push_back({n.number, 1, 0.1 * (n.x - 0.5)});
        p.prescribed.push_back({n.number, 2, 0.1 * (n.y - 0.5)});
        p.prescribed.push_back({n.number, 3, 0.0});
    }
    const std::string dorvan_text = input_text(p);
    p.material = {1, {1.0}};
    const std::string melvar_text = input_text(p);
    for (const auto& [program, text] :
         {std::pair{dorvan_exe(), dorvan_text}, std::pair{melvar_exe(), melvar_text}}) {
        std::string files[4];
        for (const int count : worker_counts) {
            scratch_dir dir;
            write_file(dir.path() / "input.txt", text);
            const run_result run =
                run_in(program, dir.path(), "--threads " + std::to_string(count));
            ASSERT_EQ(run.exit_status, 0) << program << " --threads " << count << ": " << run.err;
            const std::string written[4] = {run.out, read_file(dir.path() / "ansys.txt"),
                                            read_file(dir.path() / "autocad.scr"),
                                            read_file(dir.path() / "output.txt")};
            for (int f = 0; f < 4; ++f) {
                if (count == 1) files[f] = written[f];
                EXPECT_TRUE(written[f] == files[f])
                    << program << " --threads " << count << ": file " << f << " differs";
            }
        }
    }
}

TEST(threads, every_task_runs_once_for_every_worker_count) {
    for (const int count : worker_counts) {
        const workers scope(count);
        EXPECT_EQ(sheet::worker_count(), count);
        for (const std::size_t tasks : {0, 1, 7, 1000}) {
            std::vector<std::atomic<int>> runs(tasks);
            sheet::run_tasks(tasks, [&](std::size_t i) { runs[i].fetch_add(1); });
            for (std::size_t i = 0; i < tasks; ++i)
                ASSERT_EQ(runs[i].load(), 1) << count << " workers, task " << i << " of " << tasks;
        }
    }
}

TEST(threads, a_failing_task_ends_the_batch_and_the_pool_goes_on) {
    for (const int count : worker_counts) {
        const workers scope(count);
        EXPECT_THROW(sheet::run_tasks(100,
                                      [](std::size_t i) {
                                          if (i == 37) throw std::runtime_error("task 37");
                                      }),
                     std::runtime_error);
        std::atomic<int> runs{0};
        sheet::run_tasks(50, [&](std::size_t) { runs.fetch_add(1); });
        EXPECT_EQ(runs.load(), 50);
    }
}

// An interrupt's handler must run on the calling thread (it erases the progress line that thread
// draws): the helpers block SIGINT and SIGTERM, the calling thread keeps its own mask.
TEST(threads, only_the_calling_thread_takes_interrupts) {
    const workers three(3);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> on_helpers{0}, wrong{0};  // wrong: a helper open or the caller blocked
    sheet::run_tasks(64, [&](std::size_t) {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        const bool helper = std::this_thread::get_id() != caller;
        on_helpers.fetch_add(helper ? 1 : 0);
        for (const int signal : {SIGINT, SIGTERM})
            wrong.fetch_add((sigismember(&mask, signal) == 1) != helper ? 1 : 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_GT(on_helpers.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
}

TEST(threads, a_worker_count_below_one_is_refused) {
    EXPECT_THROW(sheet::set_worker_count(0), sheet::failure);
    EXPECT_THROW(sheet::set_worker_count(-3), sheet::failure);
    EXPECT_GE(sheet::worker_count(), 1);
}

}  // namespace
