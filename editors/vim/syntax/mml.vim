" Vim syntax file
" Language: MML of the Trivane converter (.mml), as docs/mml.md describes it
" Music is read as the converter reads it: what no rule below takes is a mistake and shows as an error.

if exists('b:current_syntax')
  finish
endif
let s:cpo_save = &cpo
set cpo&vim

syn case match
syn sync fromstart

" Lowest first: an item defined later wins where two begin at the same place.
syn match mmlError /\S/
syn match mmlBlank /\%u3000/
syn match mmlTrack /^\s*\zs\u\+/

syn match mmlNote /[a-g]/
syn match mmlNote /[-+#]/
syn match mmlRest /r/
syn match mmlNote /n\s*\d\+\%(\s*,\)\=/ contains=mmlValue,mmlPunctuation
syn match mmlNumber /\d\+/
syn match mmlNumber /[.^%]/
syn match mmlValue /[-+]\=\d\+/ contained
syn match mmlPunctuation /,/ contained
syn match mmlOperator /[<>()&=]/
syn match mmlStructure /[[\]:{}]/
syn match mmlBar /|/

" Commands with their numbers.
syn match mmlCommand /\%(wr\|[ovtpms@]\)\s*\d\+/ contains=mmlValue
syn match mmlCommand /q\%(\s*%\)\=\s*\d\+/ contains=mmlValue
syn match mmlCommand /l\%(\s*%\)\=\s*\d\+/ contains=mmlNumber
syn match mmlCommand /[kw]\s*[-+]\=\d\+/ contains=mmlValue
syn match mmlCommand /y\s*\d\+\s*,\s*\d\+/ contains=mmlValue,mmlPunctuation

" Gradual changes: ~v120,1 ~y74,100,2 ~t4.=44,2.
syn match mmlError /\~\l\=/
syn match mmlCommand /\~[vpmsw]\s*[-+]\=\d\+\s*,/ contains=mmlValue,mmlPunctuation
syn match mmlCommand /\~y\s*\d\+\s*,\s*\d\+\s*,/ contains=mmlValue,mmlPunctuation
syn match mmlCommand /\~t\s*\d\+\%(\s*\.\)*\%(\s*=\s*\d\+\)\=\s*,/ contains=mmlNumber,mmlPunctuation,mmlOperator

" Articulation and dynamics.
syn match mmlError /!\%([pmf]\+\|[^ \t|]\)\=/
syn match mmlMark /![.\->^]/
syn match mmlMark /!\%(ppp\|pp\|p\|mp\|mf\|fff\|ff\|f\)[pmf]\@!/

" Words with a text in quotes; other letters before a quote name no command.
syn match mmlError /[h-qs-z]\l\+"[^"]*"\=/
syn match mmlWord /\%(name\|text\|lyric\|marker\|time\|key\|pedal\|swing\|humanize\|sysex\)\ze"[^"]*"/ nextgroup=mmlString
syn region mmlString start=/"/ end=/"/ contained oneline

" Chords: notes, note numbers and octave marks between quotes on one line.
syn region mmlChord matchgroup=mmlStructure start=/'\ze[^']*'/ end=/'/ oneline
      \ contains=mmlChordError,mmlChordNote,mmlChordOctave,mmlBlank
syn match mmlChordError /[^ \t|]/ contained
syn match mmlChordNote /[a-g]\%([ \t]*[-+#]\)*/ contained
syn match mmlChordNote /n\s*\d\+/ contained contains=mmlValue
syn match mmlChordOctave /[<>]/ contained

" Macros: uses, arguments (those in quotes may hold , ( and )), parameters and definitions.
syn cluster mmlMusic contains=mmlError,mmlBlank,mmlNote,mmlRest,mmlNumber,mmlOperator,mmlStructure,mmlBar,
      \mmlCommand,mmlMark,mmlWord,mmlChord,mmlMacro,mmlParameter,mmlComment
syn match mmlMacro /\$\w\+/ nextgroup=mmlArguments
syn region mmlArguments matchgroup=mmlPunctuation start=/(/ end=/)/ contained
      \ contains=@mmlMusic,mmlQuotedArgument,mmlPunctuation
syn region mmlQuotedArgument matchgroup=mmlPunctuation start=/"/ end=/"/ contained contains=@mmlMusic
syn match mmlParameter /\$[1-9]\w\@!/
syn match mmlMacroHead /^\s*\$\w\+\s*\%((\s*[1-9]\s*)\)\=\s*=/
      \ contains=mmlMacroDefinition,mmlParameterCount,mmlPunctuation,mmlOperator
syn match mmlMacroDefinition /\$\w\+/ contained
syn match mmlPunctuation /[()]/ contained
syn match mmlParameterCount /[1-9]/ contained

" Directives: lines that start with '#'.
syn region mmlUnknownDirective matchgroup=mmlError start=/^\s*#\w*/ end=/$/ keepend contains=mmlComment
syn region mmlDirectiveLine matchgroup=mmlDirective
      \ start=/^\s*#\%(title\|copyright\|channel\|time\|key\|reset\|swing\|humanize\)\w\@!/ end=/$/ keepend
      \ contains=mmlComment

syn match mmlComment /;.*$/
syn region mmlComment start=+/\*+ end=+\*/+

hi def link mmlError Error
hi def link mmlChordError Error
hi def link mmlTrack Type
hi def link mmlNote Identifier
hi def link mmlChordNote Identifier
hi def link mmlRest Special
hi def link mmlNumber Number
hi def link mmlValue Number
hi def link mmlParameterCount Number
hi def link mmlPunctuation Delimiter
hi def link mmlOperator Operator
hi def link mmlChordOctave Operator
hi def link mmlStructure Repeat
hi def link mmlBar Delimiter
hi def link mmlCommand Statement
hi def link mmlMark StorageClass
hi def link mmlWord Function
hi def link mmlString String
hi def link mmlMacro Identifier
hi def link mmlParameter Special
hi def link mmlMacroDefinition Function
hi def link mmlDirective PreProc
hi def link mmlDirectiveLine String
hi def link mmlComment Comment

let b:current_syntax = 'mml'
let &cpo = s:cpo_save
unlet s:cpo_save
