// The editors' grammars held to the converter's table of commands, through the tokenizer VS Code colours with and
// through Vim itself: every command coloured as its kind in its example, with no mistake shown there; what the
// converter refuses shown as a mistake; every sample coloured throughout; chosen lines column by column. The
// Notepad++ language must hold every command of the table and nothing else.
// node grammars-test.js PRINT_COMMANDS SOURCE NODE_MODULES WORK
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const [printCommands, source, modules, work] = process.argv.slice(2);
const textmate = require(path.resolve(modules, 'vscode-textmate'));
const oniguruma = require(path.resolve(modules, 'vscode-oniguruma'));
const editors = path.join(source, 'editors');

// A letter for each kind of colour: the scope that the TextMate grammar gives it (any scope of a token, the first
// row that matches) and the groups of the Vim syntax. '-' stands for none, 'x' for a mistake.
const categories = [
    ['x', 'invalid', 'mmlError mmlChordError'], ['c', 'comment', 'mmlComment'],
    ['d', 'keyword.control.directive', 'mmlDirective'], ['q', 'string', 'mmlString mmlDirectiveLine'],
    ['T', 'entity.name.tag.track', 'mmlTrack'], ['M', 'entity.name.function.macro', 'mmlMacroDefinition'],
    ['m', 'variable.other.macro', 'mmlMacro'], ['$', 'variable.parameter', 'mmlParameter'],
    ['n', 'variable.other.note', 'mmlNote mmlChordNote'], ['r', 'variable.other.rest', 'mmlRest'],
    ['#', 'constant.numeric', 'mmlNumber mmlValue mmlParameterCount'], ['k', 'keyword.other', 'mmlCommand'],
    ['o', 'keyword.operator', 'mmlOperator mmlChordOctave'], ['s', 'keyword.control', 'mmlStructure'],
    ['!', 'storage.modifier', 'mmlMark'], ['w', 'support.function', 'mmlWord'],
    ['|', 'punctuation.separator.bar', 'mmlBar'], ['p', 'punctuation', 'mmlPunctuation'],
];
// The colour of each kind of the table; of two, the first is for a spelling that begins with a letter.
const kindColours = {
    Note: 'n', Accidental: 'n', Rest: 'r', NoteNumber: 'n', Octave: 'ko', Length: 'k#', Tempo: 'ko',
    Velocity: 'ko', Gate: 'k', Program: 'k', Transpose: 'k', Control: 'k', Bend: 'k', Tie: 'o', Loop: 's',
    Macro: 'm', Chord: 's', Tuplet: 's', Bar: '|', Ramp: 'k', Text: 'w', Signature: 'w', SysEx: 'w',
    Articulation: '!', Dynamics: '!', Grace: '#', Pedal: 'w', Swing: 'w', Humanize: 'w', Directive: 'd',
    Comment: 'c', Track: 'T',
};
// Lines of MML, each with the colour expected at each column under it (a blank: any colour); the two lines of
// a comment follow each other, as in a file.
const chosen = [
    ['A t120 o4 l8 v100 q7 @0 k-2 k+2 w-8192 wr12 y7,100 p64 m100 s127 q%30 l%120',
     'T k### k# k# k### k# k# k## k## k##### kk## k#p### k## k### k### kk## k####'],
    ['BC c4 d+8. e-16^32 r2 | ^4 c 4 c #4 n36,8 n38, 8 d0 c4',
     'TT n# nn## nn##### r# | ## n # n n# n##p# n##p # n# n#'],
    ["  D [c d : e f]3 'c e- g'4 & 'c >c <g'2 {c d e}4 {c r c}%103 (4 )16 ( )",
     "  T sn n s n ns# sn nn ns# o sn on ons# sn n ns# sn r ns#### o# o## o o"],
    ['$riff(2) = $1 c8 e8 g8 e8 $2 ; a comment',
     'MMMMMp#p o $$ n# n# n# n# $$ ccccccccccc'],
    ['A l4 $riff(o4, c) $riff("n36,8 n38,8", "(4 c") $drums $1',
     'T k# mmmmmpk#p np mmmmmppn##p# n##p#pp po# npp mmmmmm $$'],
    ["!. c8 !- d !> e !^ 'c e g' !ppp !pp !p !mp !mf !f f !ff !fff",
     "!! n# !! n !! n !! sn n ns !!!! !!! !! !!! !!! !! n !!! !!!!"],
    ['~v120,1 ~p0,2 ~y74,100,2 ~w-8191,8 ~t4.=44,2.^2. t4.=60',
     'kk###p# kk#p# kk##p###p# kk#####p# kk##o##p##### k##o##'],
    ['name"ピアノ ; /* no comment" lyric"la" c marker"Intro" time"6/8" key"b- minor"',
     'wwwwqqqqqqqqqqqqqqqqqqqqq wwwwwqqqq n wwwwwwqqqqqqq wwwwqqqqq wwwqqqqqqqqqq'],
    ['pedal"down" swing"2:1" humanize"10 8" sysex"F0 7E 7F 09 01 F7" text"..."',
     'wwwwwqqqqqq wwwwwqqqqq wwwwwwwwqqqqqq wwwwwqqqqqqqqqqqqqqqqqqq wwwwqqqqq'],
    ['#title 夕暮れ (Evening) ; a comment',
     'ddddddqqqqqqqqqqqqqqqccccccccccc'],
    ['#channel DE 10',
     'ddddddddqqqqqq'],
    ['c /* a comment',
     'n cccccccccccc'],
    ['   across lines */ d',
     'cccccccccccccccccc n'],
    ['c x D4 e',
     'n x x# n'],
    ['A c　d',
     'T n n'],
    ['#TITLE x',
     'xxxxxx  '],
    ['   $m = c',
     '   MM o n'],
];

const table = execFileSync(printCommands, { encoding: 'utf8' }).trim().split('\n').map((row) => row.split('\t'));
const printable = Array.from({ length: 94 }, (_, i) => String.fromCharCode(33 + i));
// Refused, each after a note: characters that are no command (capitals are one only at the start of a line), alone
// and before a number, marks and changes that are none, words one letter short or long, commands without their
// numbers. Directives that are none, at the start of a line.
const refused = [
    ...printable.filter((c) => !/\d/.test(c) && !table.some(([s, kind]) => kind !== 'Track' && s === c))
        .flatMap((c) => [c, c + '5']),
    ...printable.filter((c) => !table.some(([s]) => s.startsWith('!' + c))).map((c) => '!' + c),
    ...[...new Set(['p', 'm', 'f'].flatMap((a) => ['', 'p', 'm', 'f'].flatMap((b) => ['', 'p', 'm', 'f', 'pp']
        .map((c) => '!' + a + b + c))))].filter((mark) => !table.some(([s]) => s === mark)),
    ...printable.filter((c) => !table.some(([s]) => s === '~' + c)).map((c) => '~' + c),
    ...table.filter(([s]) => s.endsWith('"')).flatMap(([s]) => [s.slice(0, -2) + '"x"', s.slice(0, -1) + 's"x"']),
    ...['o', 'l', 't', 'v', 'q', 'q%', '@', 'k', 'y7', 'p', 'm', 's', 'w', 'wr', 'n', 'v+10', 'k- 2', "'c e g"],
].map((probe) => 'c ' + probe);
for (const [s] of table.filter(([, kind]) => kind === 'Directive'))
    refused.push(s.toUpperCase() + ' x', s + 'x 1', '  ' + s.toUpperCase());
refused.push('#tempo 90');
const documents = { table: table.map(([, , example]) => example), refused, chosen: chosen.map(([line]) => line) };
for (const name of fs.readdirSync(path.join(source, 'docs/samples')).filter((n) => n.endsWith('.mml'))) {
    const bytes = fs.readFileSync(path.join(source, 'docs/samples', name));
    documents[name] = new TextDecoder('shift_jis').decode(bytes).split(/\r?\n/);
}

async function textMateColours() {
    await oniguruma.loadWASM(fs.readFileSync(path.join(modules, 'vscode-oniguruma/release/onig.wasm')).buffer);
    const file = path.join(editors, 'vscode/syntaxes/mml.tmLanguage.json');
    const registry = new textmate.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(file, 'utf8'), file),
    });
    const grammar = await registry.loadGrammar('source.mml');
    const colours = {};
    for (const [name, lines] of Object.entries(documents)) {
        let stack = textmate.INITIAL;
        colours[name] = lines.map((line) => {
            const { tokens, ruleStack } = grammar.tokenizeLine(line, stack);
            stack = ruleStack;
            return tokens.map(({ startIndex, endIndex, scopes }) => {
                const row = categories.find(([, scope]) => scopes.some((s) => (s + '.').startsWith(scope + '.')));
                return (row ? row[0] : '-').repeat(Math.min(endIndex, line.length) - startIndex);
            }).join('');
        });
    }
    return colours;
}

// Vim in silent Ex mode, set up as a user would (ftdetect and syntax in the runtime path), writes the group at
// each character of each file beside it, after the file type it detected.
function vimColours() {
    fs.mkdirSync(path.join(work, 'vim'), { recursive: true });
    const files = Object.entries(documents).map(([name, lines]) => {
        const file = path.join(work, 'vim', name.replace(/(\.mml)?$/, '.mml'));
        fs.writeFileSync(file, lines.join('\n') + '\n');
        return file;
    });
    const dump = "for f in argv() | exe 'edit' fnameescape(f) | call writefile([&filetype] + map(range(1, line('$')), " +
        "{_, l -> join(map(range(strchars(getline(l))), {_, i -> synIDattr(synID(l, byteidx(getline(l), i) + 1, " +
        "1), 'name')}), ',')}), f . '.groups') | endfor | qa!";
    execFileSync('vim', ['-N', '-u', 'NONE', '-i', 'NONE', '-es', '--cmd', 'set encoding=utf-8 fileencodings=utf-8',
        '--cmd', `set rtp^=${path.join(editors, 'vim')}`, '-c', 'filetype on', '-c', 'syntax on', '-c', dump,
        '--', ...files]);
    const letters = new Map(categories.flatMap(([c, , groups]) => groups.split(' ').map((g) => [g, c])));
    const colours = {};
    Object.keys(documents).forEach((name, i) => {
        const [filetype, ...lines] = fs.readFileSync(files[i] + '.groups', 'utf8').split('\n');
        check(filetype === 'mml', `Vim takes ${name} for '${filetype}'`);
        colours[name] = lines.map((groups) => groups.split(',').map((g) => letters.get(g) || '-').join(''));
    });
    return colours;
}

const failures = [];
let checks = 0;
function check(ok, failure) {
    ++checks;
    if (!ok)
        failures.push(failure);
}

// Every character that is no blank has a colour, and none a mistake's.
function colouredThroughout(line, colours) {
    return [...line].every((c, i) => /[\s\u3000]/.test(c) || !'-x'.includes(colours[i]));
}

// The words that a grammar lists as alternatives (name|text|..., \%(title\|copyright...\)) are those of the table.
function checkListedWords(editor, file) {
    for (const [list] of fs.readFileSync(path.join(editors, file), 'utf8').matchAll(/[a-z]+(\\?\|[a-z]+)+/g)) {
        for (const word of list.split(/\\?\|/))
            check(table.some(([s]) => s.replace(/[^a-z]/g, '') === word), `${editor} colours ${word}, no command`);
    }
}

function checkGrammar(editor, colours) {
    table.forEach(([spelling, kind, example], i) => {
        const at = example.indexOf(spelling), wanted = kindColours[kind];
        const colour = /[a-z]/.test(spelling[0]) ? wanted[0] : wanted[wanted.length - 1];
        check(colours.table[i][at] === colour && colouredThroughout(example, colours.table[i]),
            `${editor}: ${spelling} (${kind}) in "${example}": ${colours.table[i]}, wanted ${colour} at ${at}`);
    });
    refused.forEach((probe, i) => {
        const at = probe.startsWith('c ') ? 2 : probe.indexOf('#');
        check(colours.refused[i][at] === 'x', `${editor}: "${probe}" is no mistake: ${colours.refused[i]}`);
    });
    chosen.forEach(([line, wanted], i) => {
        const got = [...wanted].map((w, at) => (w === ' ' ? ' ' : colours.chosen[i][at] || '-')).join('');
        check(got === wanted, `${editor}: ${line}\n    wanted ${wanted}\n    got    ${got}`);
    });
    for (const name of Object.keys(documents).filter((n) => n.endsWith('.mml'))) {
        documents[name].forEach((line, i) => check(colouredThroughout(line, colours[name][i]),
            `${editor}: ${name}:${i + 1}: ${line}\n    ${colours[name][i]}`));
    }
}

// Notepad++: the commands are words of its lists (or, but for the words before a text, begin with one of a list
// that colours what begins with its words), operators, the starts of its delimiters and comments; each of those
// is a command.
function checkNotepad() {
    const file = path.join(editors, 'notepad++/mml.xml');
    const [lists, prefix, ext] = JSON.parse(execFileSync('python3', ['-c', 'import json, sys, xml.etree.ElementTree as E\n' +
        'r = E.parse(sys.argv[1]).getroot()\nl = r.find("UserLang")\n' +
        'print(json.dumps([{k.get("name"): k.text or "" for k in r.iter("Keywords")}, l.find("Settings/Prefix").attrib, l.get("ext")]))',
    file], { encoding: 'utf8' }));
    check(ext === 'mml', `Notepad++: the language is for .${ext}`);
    const words = (name) => lists[name].trim().split(/\s+/).filter(Boolean);
    const starts = (text, every) => [...text.matchAll(/(\d\d)(\(\([^)]*\)\)|\S*)/g)].filter(([, n]) => n % every === 0)
        .flatMap(([, , open]) => open.replace(/^\(\(|\)\)$/g, '').split(' ').filter(Boolean));
    const keywordLists = Object.keys(prefix).map((name) => [name, prefix[name] === 'yes']);
    const entries = [...keywordLists.flatMap(([name]) => words(name)), ...words('Operators1'), ...words('Operators2'),
        ...starts(lists.Delimiters, 3), ...starts(lists.Comments, 3)];
    const prefixes = keywordLists.filter(([, yes]) => yes).flatMap(([name]) => words(name));
    for (const [spelling] of table.filter(([s]) => !/^\d+$/.test(s))) {
        const prefixed = !spelling.endsWith('"')
            && prefixes.some((p) => spelling.length > p.length && spelling.startsWith(p));
        check(entries.includes(spelling) || prefixed,
            `Notepad++ lacks ${spelling}`);
    }
    for (const entry of entries)
        check(table.some(([s]) => s === entry) || /^[A-Z,]$/.test(entry), `Notepad++ colours ${entry}, no command`);
}

(async () => {
    checkGrammar('VS Code', await textMateColours());
    checkGrammar('Vim', vimColours());
    checkListedWords('VS Code', 'vscode/syntaxes/mml.tmLanguage.json');
    checkListedWords('Vim', 'vim/syntax/mml.vim');
    checkNotepad();
    failures.slice(0, 40).forEach((failure) => console.log(failure));
    console.log(`${checks - failures.length} checks passed, ${failures.length} failed`);
    process.exitCode = failures.length ? 1 : 0;
})();
