# Reads the catalogue for make-sound-pack.sh.
#   mode=languages: the language codes of the schedule file, one a line
#   mode=jobs: for language `lang`, one "voice<TAB>file<TAB>text" line per sound;
#     `names` is the file of score sound names (7, 7_5, -5, NO, BP), one a line
# Catalogue lines are SQL value lists: numbers plain, texts in single quotes
# ('' inside a text is a quote).

function split_values(line, values,    n, i, c, text, quoted) {
    n = 0; text = ""; quoted = 0
    sub(/\r$/, "", line)
    for (i = 1; i <= length(line); i++) {
        c = substr(line, i, 1)
        if (quoted) {
            if (c == "'" && substr(line, i + 1, 1) == "'") { text = text "'"; i++ }
            else if (c == "'") quoted = 0
            else text = text c
        } else if (c == "'") quoted = 1
        else if (c == ",") { values[++n] = trim(text); text = "" }
        else text = text c
    }
    values[++n] = trim(text)
    return n
}

function trim(text) {
    gsub(/^[ \t]+|[ \t]+$/, "", text)
    return text
}

# The spoken words of the fixed messages; other languages use English ones.
function word(name) {
    if (lang == "FRA") {
        if (name == "NO") return "non"; if (name == "BP") return "B P"
        if (name == "ES") return "figure non notée"; if (name == "F") return "fin du programme"
        if (name == "half") return "et demi"; if (name == "minus") return "moins"
    }
    if (lang == "ESP") {
        if (name == "NO") return "no"; if (name == "BP") return "B P"
        if (name == "ES") return "figura sin nota"; if (name == "F") return "fin del programa"
        if (name == "half") return "y medio"; if (name == "minus") return "menos"
    }
    if (lang == "DEU" || lang == "GER") {
        if (name == "NO") return "nein"; if (name == "BP") return "B P"
        if (name == "ES") return "Figur ohne Note"; if (name == "F") return "Programmende"
        if (name == "half") return "einhalb"; if (name == "minus") return "minus"
    }
    if (name == "NO") return "no"; if (name == "BP") return "B P"
    if (name == "ES") return "figure not scored"; if (name == "F") return "end of schedule"
    if (name == "half") return "and a half"; if (name == "minus") return "minus"
    return name
}

function job(file, text) {
    gsub(/[\t\n]/, " ", text)
    printf "%s\t%s\t%s\n", voice, file, text
}

# A whole point as spoken: 7, or minus 5.
function spoken_point(point) {
    return point < 0 ? word("minus") " " (-point) : point
}

# A score sound name as spoken: the marks, whole points and half points.
function spoken(name,    parts) {
    if (name == "NO" || name == "BP") return word(name)
    if (split(name, parts, "_") == 2) return spoken_point(parts[1] + 0) " " word("half")
    return spoken_point(name + 0)
}

# The spoken scores, and the messages that are no scores.
function word_set(    dir, name) {
    dir = out "/sounds/#" lang "/SOUNDS/"
    while ((getline name < names) > 0) job(dir name ".wav", spoken(name))
    close(names)
    job(dir "ES.wav", word("ES")); job(dir "F.wav", word("F"))
}

FNR == 1 { file_index++ }

file_index == 1 {
    if (split_values($0, p) < 4) next
    if (mode == "languages") { if (!(p[4] in seen)) { seen[p[4]] = 1; print p[4] } next }
    if (p[4] != lang) next
    name[p[1]] = p[3]; title[p[1]] = p[2]
    next
}

file_index == 2 && mode == "jobs" {
    if (split_values($0, f) < 7 || !(f[2] in name)) next
    count[f[2]]++
    number = count[f[2]]
    dir = out "/SD-Template/#" lang "/PGM/" name[f[2]] "/"
    label = f[6] != "" ? f[6] : substr(f[5], 1, 30)
    job(dir sprintf("%02d.WAV", number), number ". " label)
    job(dir sprintf("%02dL.WAV", number), number ". " f[5])
}

END {
    if (mode != "jobs") exit
    word_set()
    for (id in name) job(out "/SD-Template/#" lang "/PGM/" name[id] "/P.WAV", title[id])
}
