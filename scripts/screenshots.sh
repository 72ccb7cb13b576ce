#!/usr/bin/env bash
# Takes the README's screenshots of the real programs under Xvfb, with the openbox window manager,
# into docs/screenshots:
#   exam-login.png    exam's login window, filled in
#   exam-running.png  exam's main window with the drawn paper running
#   exam-resume.png   exam started again after it was killed in the middle of that exam
#   tallyboard.png    tallyboard after a search over the demo scores
#   tallyboard-statistics.png  the whole screen under openbox: tallyboard's statistics window,
#                     grouped by town, over the score viewer
#   tallyboard-item-analysis.png  the whole screen: the item analysis window over the score
#                     viewer, on the demo attempts of the paper most attempted
#   tallyboard-review.png  the whole screen: the review of the first demo attempt
#   tallyboard-sittings.png  the whole screen: 考试场次 on the demo's open sitting
#   paperbuilder.png  paperbuilder on the question template, a question tried in the preview
# Builds nothing: run scripts/build.sh first (or name another build folder). Prepares the demo
# data in its bin/; the exam is stopped before it ends, so it records no score, and its journal
# lives in a temporary data folder, so the user's own journal is left alone.
#   scripts/screenshots.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
out=docs/screenshots

if [ -z "${SCREENSHOTS_ON_XVFB:-}" ]; then
    for program in exam tallyboard paperbuilder; do
        if [ ! -x "$bin/$program" ]; then
            echo "$bin/$program is missing: run scripts/build.sh first" >&2
            exit 1
        fi
    done
    scripts/prepare-demo.sh "$bin"
    mkdir -p "$out"
    SCREENSHOTS_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

export XDG_DATA_HOME
XDG_DATA_HOME=$(mktemp -d)
started=()
stop_programs() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$XDG_DATA_HOME"
}
trap stop_programs EXIT
openbox &
started+=($!)
sleep 1

# The visible window of the process whose caption is given, once it is there.
wait_window() { # wait_window PID CAPTION [MIN-WIDTH]
    local pid=$1 caption=$2 min_width=${3:-0}
    for _ in $(seq 100); do
        for id in $(xdotool search --all --onlyvisible --pid "$pid" --name "^$caption\$" 2>/dev/null); do
            local width
            width=$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')
            if [ "${width:-0}" -ge "$min_width" ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    echo "no window \"$caption\" of process $pid" >&2
    return 1
}

click() { # click WINDOW X Y, in the window's coordinates
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

key() {
    xdotool key --delay 80 "$@"
    sleep 0.2
}

exam_screenshots() {
    (cd "$bin" && exec ./exam) &
    started+=($!)
    local pid=$!
    local login
    login=$(wait_window "$pid" "Quillon考试系统")
    sleep 0.5

    # Town 安平镇, kind 事业单位, the unit picked from the opened list, a name. The window's own
    # caption and frame put its client area at (3, 22).
    click "$login" 188 95
    key Down Down Return
    click "$login" 189 139
    key Down Down Return
    click "$login" 188 165
    xdotool type --delay 120 "张伟"
    sleep 0.5
    import -window "$login" "$out/exam-login.png"

    # Log in and confirm; the paper runs once the login's pauses are over.
    key Return
    sleep 0.5
    key Return
    local main
    main=$(wait_window "$pid" "Quillon考试系统" 700)
    sleep 1
    # Answer the first questions by keyboard, as an examinee may.
    key Tab space Tab Down space
    sleep 0.5
    import -window "$main" "$out/exam-running.png"

    # Killed as a power cut would end it, then started again: it offers to resume the exam.
    kill -9 "$pid"
    (cd "$bin" && exec ./exam) &
    started+=($!)
    pid=$!
    local question
    question=$(wait_window "$pid" "提示")
    sleep 0.5
    import -window "$question" "$out/exam-resume.png"
    kill "$pid"
}

# Starts tallyboard and searches without a filter: every demo score, in recording-time order.
# Sets tallyboard_pid and tallyboard_window.
search_in_tallyboard() {
    (cd "$bin" && exec ./tallyboard) &
    started+=($!)
    tallyboard_pid=$!
    tallyboard_window=$(wait_window "$tallyboard_pid" "考试成绩查看" 800)
    sleep 0.5
    click "$tallyboard_window" 240 67
}

tallyboard_screenshot() {
    search_in_tallyboard
    sleep 0.5
    import -window "$tallyboard_window" "$out/tallyboard.png"
    kill "$tallyboard_pid"
}

# Under a window manager, as a user sees it: the statistics window over the demo scores, grouped
# by town (the first choice of its grouping list, which has the focus when it opens).
statistics_screenshot() {
    search_in_tallyboard
    key alt+t
    wait_window "$tallyboard_pid" "成绩统计" >/dev/null
    sleep 0.5
    key Home
    sleep 1
    import -window root "$out/tallyboard-statistics.png"
    kill "$tallyboard_pid"
}

# The item analysis of the demo attempts, with the flawed fourth question selected.
item_analysis_screenshot() {
    search_in_tallyboard
    key alt+q
    local window
    window=$(wait_window "$tallyboard_pid" "试题分析" 600)
    sleep 1
    key Tab Tab Down Down Down
    sleep 1
    import -window root "$out/tallyboard-item-analysis.png"
    kill "$tallyboard_pid"
}

# The review of the attempt behind the grid's first row, opened by a double click.
review_screenshot() {
    search_in_tallyboard
    sleep 0.5
    xdotool mousemove --window "$tallyboard_window" 300 125 click --repeat 2 --delay 80 1
    wait_window "$tallyboard_pid" "答卷详情" 600 >/dev/null
    sleep 1
    import -window root "$out/tallyboard-review.png"
    kill "$tallyboard_pid"
}

# The sittings window on the demo's sitting, opened with no search first.
sittings_screenshot() {
    (cd "$bin" && exec ./tallyboard) &
    started+=($!)
    tallyboard_pid=$!
    wait_window "$tallyboard_pid" "考试成绩查看" 800 >/dev/null
    sleep 0.5
    key alt+h
    wait_window "$tallyboard_pid" "考试场次" 600 >/dev/null
    sleep 1
    import -window root "$out/tallyboard-sittings.png"
    kill "$tallyboard_pid"
}

paperbuilder_screenshot() {
    "$bin/paperbuilder" "$bin/试题模板.xlsx" &
    started+=($!)
    local pid=$!
    local window
    window=$(wait_window "$pid" "试卷制作" 800)
    sleep 0.5
    # The third question, a multiple choice, with two of its options ticked in the preview.
    click "$window" 200 175
    key Down Down
    click "$window" 528 187
    click "$window" 528 215
    import -window "$window" "$out/paperbuilder.png"
    kill "$pid"
}

exam_screenshots
tallyboard_screenshot
statistics_screenshot
item_analysis_screenshot
review_screenshot
sittings_screenshot
paperbuilder_screenshot

echo "Written: $out/exam-login.png $out/exam-running.png $out/exam-resume.png" \
    "$out/tallyboard.png $out/tallyboard-statistics.png $out/tallyboard-item-analysis.png" \
    "$out/tallyboard-review.png $out/tallyboard-sittings.png $out/paperbuilder.png"
