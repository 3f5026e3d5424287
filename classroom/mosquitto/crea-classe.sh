#!/usr/bin/env bash
# Keeps a school's class broker: one folder holds the school's certificate
# authority (made once, never overwritten), the broker's own Mosquitto (its
# configuration, certificate, password file and ACL) and, class by class, the
# settings every bench and the teacher's PC get. Each run adds a class, adds
# or removes benches, or renews the broker's certificate, then writes every
# file that follows from the folder again. Nothing is installed: LEGGIMI.txt
# says what to copy where.
#
# Every argument is checked before anything is written, and the work is done
# on a copy of the folder that takes its place only at the end: an error
# leaves the folder as it was.
set -euo pipefail

uso() {
  cat <<'FINE'
uso: crea-classe.sh --classe NOME --broker HOST [--banchi N | --nomi "A B ..."] [opzioni]
         una nuova classe (e, la prima volta, la scuola con la sua autorità)
     crea-classe.sh --classe NOME --aggiungi "A B ..."
         banchi in più in una classe che c'è già
     crea-classe.sh --classe NOME --rimuovi "A B ..." [--non-pulire]
         toglie dei banchi: la loro password, e sul broker i loro messaggi conservati
     crea-classe.sh --classe NOME --pulisci "A B ..."
         cancella sul broker i messaggi conservati di questi banchi
     crea-classe.sh --rinnova-certificato [--broker HOST]
         un nuovo certificato per il broker, firmato dall'autorità di sempre

  --scuola DIR         la cartella della scuola (predefinita ./lumetto-scuola)
  --banchi N           banchi da banco01 a bancoN (predefinito 12)
  --nomi "A B ..."     oppure i nomi dei banchi, uno per uno
  --broker HOST        il nome o l'indirizzo con cui i PC raggiungono il broker
  --porta N            la porta TLS del broker (predefinita 8883; solo la prima volta)
  --indirizzo IP       l'indirizzo su cui il broker ascolta (predefinito: tutti;
                       solo la prima volta o con --rinnova-certificato)
  --percorso-broker D  dove staranno i file del broker (predefinito /etc/lumetto-broker;
                       solo la prima volta)
  --non-pulire         con --rimuovi: toglie i banchi anche se il broker non risponde
I nomi di classe e banchi: lettere, cifre, "-", "_", "." (al massimo 64).
FINE
}

errore() {
  echo "crea-classe.sh: $*" >&2
  exit 2
}

classe="" broker="" banchi="" nomi="" porta="" indirizzo="-" scuola=./lumetto-scuola percorso=""
aggiungi="" rimuovi="" pulisci="" nonpulire=0 fare=""
scegli() {
  [ -z "$fare" ] || [ "$fare" = "$1" ] || errore "una cosa alla volta: --$fare e --$1"
  fare="$1"
}
while [ $# -gt 0 ]; do
  case "$1" in
    --classe | --broker | --banchi | --nomi | --porta | --indirizzo | --scuola | \
      --percorso-broker | --aggiungi | --rimuovi | --pulisci)
      [ $# -ge 2 ] || errore "$1 vuole un valore"
      case "$1" in
        --classe) classe="$2" ;;
        --broker) broker="$2" ;;
        --banchi) banchi="$2" ;;
        --nomi) nomi="$2" ;;
        --porta) porta="$2" ;;
        --indirizzo) indirizzo="$2" ;;
        --scuola) scuola="$2" ;;
        --percorso-broker) percorso="$2" ;;
        --aggiungi) aggiungi="$2" && scegli aggiungi ;;
        --rimuovi) rimuovi="$2" && scegli rimuovi ;;
        --pulisci) pulisci="$2" && scegli pulisci ;;
      esac
      shift 2
      ;;
    --rinnova-certificato) scegli rinnova-certificato && shift ;;
    --non-pulire) nonpulire=1 && shift ;;
    -h | --help) uso && exit 0 ;;
    *) echo "crea-classe.sh: opzione sconosciuta: $1" >&2 && uso >&2 && exit 2 ;;
  esac
done
[ -n "$fare" ] || fare=classe

# --- Checks: nothing is written before all of them pass. -------------------

# One topic level that a shell, an ACL line, a user name and a file name all
# take as it is.
nomevalido() { [[ "$1" =~ ^[A-Za-z0-9._-]{1,64}$ ]] && [ "$1" != . ] && [ "$1" != .. ]; }
# A host name or an IPv4 or IPv6 address.
hostvalido() { [[ "$1" =~ ^[A-Za-z0-9.:-]{1,253}$ ]] && [[ "$1" != -* ]]; }
# An absolute path of plain characters: it goes into the broker's
# configuration and into LEGGIMI.txt's commands.
percorsovalido() { [[ "$1" =~ ^/[A-Za-z0-9._/-]*$ ]] && [[ "$1" != *..* ]]; }

[ "$fare" = rinnova-certificato ] || [ -n "$classe" ] || { uso >&2 && exit 2; }
[ -z "$classe" ] || nomevalido "$classe" || errore "nome di classe non valido: «$classe»"
[ -z "$broker" ] || hostvalido "$broker" || errore "nome del broker non valido: «$broker»"
[ "$indirizzo" = - ] || [ -z "$indirizzo" ] || hostvalido "$indirizzo" ||
  errore "indirizzo non valido: «$indirizzo»"
[ -z "$porta" ] || { [[ "$porta" =~ ^[0-9]{1,5}$ ]] && [ "$porta" -ge 1 ] && [ "$porta" -le 65535 ]; } ||
  errore "porta non valida: «$porta»"
[ -z "$percorso" ] || percorsovalido "$percorso" ||
  errore "percorso del broker non valido: «$percorso» (un percorso assoluto di lettere, cifre, «.», «_», «-», «/»)"
[ -n "$scuola" ] || errore "--scuola vuole una cartella"
scuola="${scuola%/}"

# The benches a run names, checked one by one.
elenco() {  # text, what for
  local n
  declare -A visti=()
  [ -n "${1// /}" ] || errore "nessun banco in $2"
  for n in $1; do
    nomevalido "$n" || errore "nome di banco non valido: «$n»"
    [ "$n" != docente ] || errore "«docente» è l'utente dell'insegnante, non un banco"
    [ -z "${visti[$n]:-}" ] || errore "banco ripetuto: «$n»"
    visti[$n]=1
  done
}

nuova=0
[ -e "$scuola" ] || nuova=1
if [ "$nuova" = 1 ]; then
  [ "$fare" = classe ] || errore "la scuola $scuola non c'è: creala con --classe e --broker"
  [ -n "$broker" ] || errore "manca --broker: il nome con cui i PC raggiungono il broker"
  porta="${porta:-8883}"
  [ "$indirizzo" != - ] || indirizzo=""
  percorso="${percorso:-/etc/lumetto-broker}"
else
  [ -f "$scuola/scuola.conf" ] && [ -f "$scuola/autorita/ca.key" ] ||
    errore "$scuola c'è già ma non è la cartella di una scuola di Lumetto"
  [ -z "$porta" ] || errore "la porta si sceglie solo la prima volta (è in $scuola/scuola.conf)"
  [ -z "$percorso" ] || errore "il percorso del broker si sceglie solo la prima volta"
  [ "$indirizzo" = - ] || [ "$fare" = rinnova-certificato ] ||
    errore "l'indirizzo si cambia solo con --rinnova-certificato"
  # The school's own file, written by this script: fixed keys, checked values.
  leggi() { sed -n "s/^$1=//p" "$scuola/scuola.conf" | head -n 1; }
  scuolabroker="$(leggi broker)" porta="$(leggi porta)" percorso="$(leggi percorso)"
  [ "$indirizzo" != - ] || indirizzo="$(leggi indirizzo)"
  hostvalido "$scuolabroker" && [[ "$porta" =~ ^[0-9]{1,5}$ ]] && percorsovalido "$percorso" ||
    errore "$scuola/scuola.conf è stato modificato a mano: non lo capisco"
  if [ "$fare" = rinnova-certificato ]; then
    broker="${broker:-$scuolabroker}"
  elif [ -n "$broker" ] && [ "$broker" != "$scuolabroker" ]; then
    errore "il broker della scuola è «$scuolabroker»: per cambiarlo usa --rinnova-certificato --broker $broker"
  else
    broker="$scuolabroker"
  fi
fi

classi="$scuola/classi"
# A user's password in a class's file ("banco password" lines), compared
# whole: a name is no pattern.
parolradi() { awk -v n="$2" '$1 == n { print $2; exit }' "$1/password"; }
case "$fare" in
  classe)
    [ "$nuova" = 1 ] || [ ! -e "$classi/$classe" ] ||
      errore "la classe $classe c'è già: per altri banchi usa --aggiungi"
    if [ -z "$nomi" ]; then
      banchi="${banchi:-12}"
      [[ "$banchi" =~ ^[0-9]+$ ]] && [ "$banchi" -ge 1 ] && [ "$banchi" -le 99 ] ||
        errore "--banchi vuole un numero da 1 a 99"
      for i in $(seq 1 "$banchi"); do nomi+="$(printf 'banco%02d ' "$i")"; done
    fi
    elenco "$nomi" "--nomi"
    ;;
  aggiungi | rimuovi | pulisci)
    [ -z "$nomi$banchi" ] || errore "con --$fare i banchi si danno lì, non con --nomi o --banchi"
    [ -f "$classi/$classe/password" ] || errore "la classe $classe non c'è in $scuola"
    elenco "${aggiungi}${rimuovi}${pulisci}" "--$fare"
    for n in $aggiungi; do
      [ -z "$(parolradi "$classi/$classe" "$n")" ] || errore "il banco $n c'è già nella classe $classe"
    done
    for n in $rimuovi $pulisci; do
      [ -n "$(parolradi "$classi/$classe" "$n")" ] || errore "il banco $n non c'è nella classe $classe"
    done
    ;;
esac
for programma in openssl mosquitto_passwd; do
  command -v "$programma" >/dev/null || errore "manca $programma (apt install openssl mosquitto)"
done
if [ "$fare" = pulisci ] || { [ "$fare" = rimuovi ] && [ "$nonpulire" = 0 ]; }; then
  for programma in mosquitto_sub mosquitto_pub; do
    command -v "$programma" >/dev/null ||
      errore "manca $programma (apt install mosquitto-clients), o usa --non-pulire"
  done
fi

# --- The work, on a copy. ---------------------------------------------------

umask 077
genitore="$(dirname "$scuola")"
[ -d "$genitore" ] || errore "la cartella $genitore non c'è"
lavoro="$(mktemp -d "$genitore/.lumetto-scuola-XXXXXX")"
trap 'rm -rf "$lavoro"' EXIT
if [ "$nuova" = 0 ]; then cp -a "$scuola/." "$lavoro/"; fi
mkdir -p "$lavoro"/{autorita,broker,classi}

parola() { openssl rand -base64 48 | tr -dc 'A-Za-z0-9' | cut -c1-24; }

# The authority: made once. Only its certificate leaves this folder.
if [ ! -f "$lavoro/autorita/ca.key" ]; then
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 7300 \
    -subj "/CN=Lumetto autorita della scuola" \
    -keyout "$lavoro/autorita/ca.key" -out "$lavoro/autorita/ca.crt" 2>/dev/null
fi

# The broker's certificate, for the name the PCs use.
certificato() {
  local nome
  if [[ "$broker" =~ ^[0-9.]+$ || "$broker" == *:* ]]; then nome="IP:$broker"; else nome="DNS:$broker"; fi
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=$broker" \
    -keyout "$lavoro/broker/server.key" -out "$lavoro/autorita/server.csr" 2>/dev/null
  printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$nome" >"$lavoro/autorita/server.ext"
  openssl x509 -req -in "$lavoro/autorita/server.csr" -CA "$lavoro/autorita/ca.crt" \
    -CAkey "$lavoro/autorita/ca.key" -CAcreateserial -days 1825 \
    -extfile "$lavoro/autorita/server.ext" -out "$lavoro/broker/server.crt" 2>/dev/null
  rm -f "$lavoro/autorita/server.csr" "$lavoro/autorita/server.ext"
}
if [ "$nuova" = 1 ] || [ "$fare" = rinnova-certificato ]; then certificato; fi

{
  echo "# Lumetto: la scuola. Scritto da crea-classe.sh: non modificarlo a mano."
  echo "broker=$broker"
  echo "porta=$porta"
  echo "indirizzo=$indirizzo"
  echo "percorso=$percorso"
} >"$lavoro/scuola.conf"

# A class's users and passwords: "banco password" lines, the teacher as
# "docente". Every other file of the class follows from this one.
if [ "$fare" = classe ]; then
  mkdir -p "$lavoro/classi/$classe"
  {
    echo "docente $(parola)"
    for n in $nomi; do echo "$n $(parola)"; done
  } >"$lavoro/classi/$classe/password"
fi
if [ "$fare" = aggiungi ]; then
  for n in $aggiungi; do echo "$n $(parola)" >>"$lavoro/classi/$classe/password"; done
fi

# The broker's user of a bench or of the teacher: unique in the school, since
# "@" is in no class or bench name.
utente() { echo "$2@$1"; }

# Clears on the running broker the retained messages of the benches named:
# the teacher's user finds them, each bench's user (still valid) clears its
# own. Passwords go through option files, never on a command line.
pulisci() {  # class, benches
  local c="$1" n opz argomenti a rc perche
  opz="$(mktemp -d)"
  opzioni() {  # user, password
    printf -- '-h %s\n-p %s\n--cafile %s\n-u %s\n-P %s\n' "$broker" "$porta" \
      "$lavoro/autorita/ca.crt" "$1" "$2"
  }
  mkdir -p "$opz/docente" "$opz/banco"
  opzioni "$(utente "$c" docente)" "$(parolradi "$lavoro/classi/$c" docente)" \
    >"$opz/docente/mosquitto_sub"
  for n in $2; do
    opzioni "$(utente "$c" "$n")" "$(parolradi "$lavoro/classi/$c" "$n")" >"$opz/banco/mosquitto_pub"
    # The broker sends the retained ones at once; two seconds of quiet end it
    # (exit 27, the time-out).
    rc=0
    argomenti="$(XDG_CONFIG_HOME="$opz/docente" mosquitto_sub -t "lumetto/$c/$n/#" \
      --retained-only -W 2 -F '%t' 2>"$opz/errori")" || rc=$?
    if [ "$rc" != 0 ] && [ "$rc" != 27 ]; then
      perche="$(tr '\n' ' ' <"$opz/errori" | head -c 200)"
      rm -rf "$opz"
      errore "il broker $broker:$porta non risponde (${perche% }): i messaggi conservati di $n restano; riprova col broker acceso, o usa --non-pulire"
    fi
    while IFS= read -r a; do
      [ -n "$a" ] || continue
      XDG_CONFIG_HOME="$opz/banco" mosquitto_pub -t "$a" -r -n -q 1 2>/dev/null ||
        { rm -rf "$opz" && errore "impossibile cancellare $a sul broker"; }
    done <<<"$argomenti"
  done
  rm -rf "$opz"
}
if [ "$fare" = pulisci ]; then pulisci "$classe" "$pulisci"; fi
if [ "$fare" = rimuovi ]; then
  if [ "$nonpulire" = 0 ]; then pulisci "$classe" "$rimuovi"; fi
  for n in $rimuovi; do
    grep -v "^$n " "$lavoro/classi/$classe/password" >"$lavoro/classi/$classe/password.nuovo" || true
    mv "$lavoro/classi/$classe/password.nuovo" "$lavoro/classi/$classe/password"
    rm -rf "$lavoro/classi/$classe/banchi/$n"
  done
fi

# --- Every file that follows from the folder, written again. ----------------

cp "$lavoro/autorita/ca.crt" "$lavoro/broker/ca.crt"
# The broker's own service: Debian's mosquitto runs as user mosquitto, and
# so does this one, in a working folder systemd makes for it.
cat >"$lavoro/broker/lumetto-broker.service" <<FINE
[Unit]
Description=Lumetto: il broker MQTT delle classi
Documentation=man:mosquitto(8) file:///usr/share/doc/lumetto/
After=network-online.target
Wants=network-online.target

[Service]
Type=notify
NotifyAccess=main
User=mosquitto
Group=mosquitto
StateDirectory=lumetto-broker
WorkingDirectory=/var/lib/lumetto-broker
ExecStart=/usr/sbin/mosquitto -c $percorso/mosquitto.conf
ExecReload=/bin/kill -HUP \$MAINPID
Restart=on-failure
NoNewPrivileges=yes
ProtectSystem=strict
ProtectHome=yes
PrivateTmp=yes

[Install]
WantedBy=multi-user.target
FINE

# The broker's configuration: a Mosquitto of its own. Its limits are
# broker-wide settings in Mosquitto, so sharing a broker with other uses
# would change theirs too.
{
  cat <<FINE
# Lumetto's class broker: a Mosquitto of its own for the school's classes,
# started by lumetto-broker.service (mosquitto -c $percorso/mosquitto.conf)
# in /var/lib/lumetto-broker, where it keeps its database. Written by
# crea-classe.sh: changes go through the script.

# Only known users, over TLS, each one held to the ACL.
per_listener_settings false
allow_anonymous false
password_file $percorso/passwd
acl_file $percorso/acl

# Retained states and runs, and what waits for an absent teacher, survive a
# restart (the database goes in the working folder).
persistence true
persistence_file lumetto-broker.db
autosave_interval 60

# The teacher's window keeps its session: while it is closed the broker
# queues the benches' readings for it (15 benches at a reading a second for
# three hours fit, about 20 MB), and forgets a teacher who has not come back
# in two weeks. A bench can fill no more than that.
max_queued_messages 200000
max_queued_bytes 33554432
persistent_client_expiration 14d

# A message is at most 64 KiB (a run's facts are about 1 KiB); a packet a
# little over that closes the connection before the broker reads it whole.
message_size_limit 65536
max_packet_size 70000

FINE
  if [ -n "$indirizzo" ]; then echo "listener $porta $indirizzo"; else echo "listener $porta"; fi
  cat <<FINE
# A client's id is its user's name: nobody can take over another's
# connection, session or last will.
use_username_as_clientid true
cafile $percorso/ca.crt
certfile $percorso/server.crt
keyfile $percorso/server.key
FINE
} >"$lavoro/broker/mosquitto.conf"

# The ACL and the password file, from every class's users.
{
  echo "# Who may do what on Lumetto's class broker. Written by crea-classe.sh."
  echo "# A bench writes its state, its runs and their readings under its own"
  echo "# class and name, and reads nothing; a class's teacher reads the class"
  echo "# and writes nothing."
} >"$lavoro/broker/acl"
: >"$lavoro/broker/passwd"
elencoclassi=()
for f in "$lavoro"/classi/*/password; do
  [ -f "$f" ] || continue
  c="$(basename "$(dirname "$f")")"
  elencoclassi+=("$c")
  while read -r n p; do
    u="$(utente "$c" "$n")"
    echo "$u:$p" >>"$lavoro/broker/passwd"
    echo
    echo "user $u"
    if [ "$n" = docente ]; then
      echo "topic read lumetto/$c/#"
    else
      echo "topic write lumetto/$c/$n/stato"
      echo "topic write lumetto/$c/$n/corsa/+"
      echo "topic write lumetto/$c/$n/corsa/+/letture"
    fi
  done <"$f"
done >>"$lavoro/broker/acl"
# In clear for a moment, in a folder only we read; hashed in place.
mosquitto_passwd -U "$lavoro/broker/passwd"

# Each PC's settings. The file holds a password: 0600 here, and LEGGIMI.txt
# installs it readable only by the users of Lumetto.
conf() {  # class, bench or docente, password, folder
  mkdir -p "$4"
  {
    echo "# Lumetto: la classe $1 sul broker $broker. Va in /etc/lumetto/classe.conf,"
    echo "# con ca.crt accanto; contiene una password: leggibile solo da chi usa Lumetto."
    echo "[broker]"
    echo "host=$broker"
    echo "port=$porta"
    echo "ca=ca.crt"
    echo "utente=$(utente "$1" "$2")"
    echo "password=$3"
    echo "[classe]"
    echo "nome=$1"
    [ "$2" = docente ] || echo "banco=$2"
  } >"$4/classe.conf"
  cp "$lavoro/autorita/ca.crt" "$4/ca.crt"
  chmod 600 "$4/classe.conf"
  chmod 644 "$4/ca.crt"
}
for c in "${elencoclassi[@]}"; do
  while read -r n p; do
    if [ "$n" = docente ]; then
      conf "$c" docente "$p" "$lavoro/classi/$c/docente"
    else
      conf "$c" "$n" "$p" "$lavoro/classi/$c/banchi/$n"
    fi
  done <"$lavoro/classi/$c/password"
done
chmod 644 "$lavoro/broker/"{mosquitto.conf,acl,ca.crt,server.crt,lumetto-broker.service}
chmod 600 "$lavoro/broker/"{passwd,server.key}
chmod 700 "$lavoro/autorita"

scadenza="$(openssl x509 -in "$lavoro/broker/server.crt" -noout -enddate | sed 's/^notAfter=//')"
{
  cat <<FINE
Lumetto: la scuola, col broker delle classi $broker (porta $porta, TLS).
Classi: ${elencoclassi[*]}

Chi può fare che cosa: ogni banco ha il suo utente (banco01@3B) e scrive
solo lo stato, le corse e le letture sue, nella sua classe; l'insegnante di
una classe (docente@3B) legge quella classe e non scrive niente.

Dove stanno i segreti:
  autorita/ca.key     la chiave che firma il certificato del broker: resta qui,
                      lontano dalla rete (serve solo per rifarlo)
  classi/*/password   le password in chiaro di ogni classe: restano qui
  broker/passwd       le password, cifrate, e broker/server.key: solo sul broker
  classe.conf         la password di un PC: solo su quel PC, leggibile solo
                      da chi usa Lumetto
Questa cartella va tenuta da chi cura il broker, leggibile solo da lui.

Sul computer del broker (Debian: apt install mosquitto), come root:
  install -d -m 755 $percorso
  install -m 644 broker/mosquitto.conf broker/acl broker/ca.crt broker/server.crt $percorso/
  install -m 640 -g mosquitto broker/passwd broker/server.key $percorso/
  install -m 644 broker/lumetto-broker.service /etc/systemd/system/
  systemctl daemon-reload && systemctl enable --now lumetto-broker
Dopo ogni modifica (classe o banchi aggiunti o tolti) copia di nuovo
broker/passwd e broker/acl, poi: systemctl reload lumetto-broker
(con un certificato nuovo: systemctl restart lumetto-broker).
È un Mosquitto a parte, sulla porta $porta: non cambia niente di un altro
broker della scuola.

Su ogni banco (il PC con la scheda), come root, per esempio banco01 della 3B:
  groupadd -f lumetto && usermod -aG lumetto NOME-UTENTE   (chi usa Lumetto)
  install -d -m 755 /etc/lumetto
  install -m 644 classi/3B/banchi/banco01/ca.crt /etc/lumetto/
  install -m 640 -g lumetto classi/3B/banchi/banco01/classe.conf /etc/lumetto/
Sul computer dell'insegnante (il programma lumetto-classe), allo stesso modo:
  install -m 644 classi/3B/docente/ca.crt /etc/lumetto/
  install -m 640 -g lumetto classi/3B/docente/classe.conf /etc/lumetto/
(oppure, per un solo utente: install -m 600 -o NOME-UTENTE ...). Lumetto
rifiuta un classe.conf che tutti gli utenti del PC possono leggere.

Il certificato del broker scade il $scadenza: prima di allora
  crea-classe.sh --scuola $scuola --rinnova-certificato
e copia di nuovo broker/server.crt e broker/server.key (i PC non cambiano).
FINE
} >"$lavoro/LEGGIMI.txt"

# The copy takes the folder's place.
if [ "$nuova" = 1 ]; then
  mv -T "$lavoro" "$scuola"
else
  vecchia="$(mktemp -d "$genitore/.lumetto-scuola-vecchia-XXXXXX")"
  mv -T "$scuola" "$vecchia/scuola"
  mv -T "$lavoro" "$scuola"
  rm -rf "$vecchia"
fi
trap - EXIT
chmod 700 "$scuola"
case "$fare" in
  classe) echo "crea-classe.sh: la classe $classe è in $scuola/classi/$classe (leggi $scuola/LEGGIMI.txt)" ;;
  aggiungi) echo "crea-classe.sh: banchi aggiunti a $classe: $aggiungi (copia di nuovo broker/passwd e broker/acl)" ;;
  rimuovi) echo "crea-classe.sh: banchi tolti da $classe: $rimuovi (copia di nuovo broker/passwd e broker/acl)" ;;
  pulisci) echo "crea-classe.sh: messaggi conservati cancellati: $pulisci" ;;
  rinnova-certificato) echo "crea-classe.sh: nuovo certificato per $broker, scade il $scadenza" ;;
esac
